// Browsing the list, the preview panes, and PROCESAR: questions, progress, cancelling,
// the preview checkbox while a batch runs.
#include <gtest/gtest.h>

#include <QLabel>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "app_fixture.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "settings/settings_file.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using BatchInWindow = DesktopTest;

// Which image of the test's folder an entry is ("a.png" is 0).
int imageNumber(const SourceImageEntry& e) { return e.path.back() == 'g' ? e.path[e.path.size() - 5] - 'a' : -1; }

TEST_F(BatchInWindow, NextAndPreviousWrapAroundAndPreviewTheNewImage) {
    startWithImages(3);
    SourceImageList& list = state().SourceImageList;
    EXPECT_EQ(list.current, 0u);
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Button_ImagenAnterior); }));
    EXPECT_EQ(list.current, 2u);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000003/0000003");
    const ImageObject* pane = app->frontend().previewImage(QtFrontend::kSourcePane);
    ASSERT_NE(pane, nullptr);
    // A small image is not enlarged: its colour in the middle, black at the sides.
    EXPECT_EQ(centreColour(pane), colourOf(imageNumber(list.entries[2])));
    EXPECT_EQ(pane->row(0)[0], 0);

    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(list.current, 0u);
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(list.current, 1u);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000002/0000003");
    EXPECT_EQ(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)),
              colourOf(imageNumber(list.entries[1])));
    // The result pane shows the file as saved and read back; nothing is left behind.
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane), nullptr);
    EXPECT_TRUE(filesUnder(destination.path()).empty());
}

TEST_F(BatchInWindow, BrowsingAnEmptyListDoesNothing) {
    startQuietly();
    state().SourceImageList.clear();
    EXPECT_FALSE(previews([&] {
        click(Gadget_Principal_Button_ImagenSiguiente);
        click(Gadget_Principal_Button_ImagenAnterior);
    }));
}

TEST_F(BatchInWindow, ProcessConvertsEveryImageWithProgressAndAFinalMessage) {
    startWithImages(3);
    std::vector<std::string> countersSeen;
    std::vector<bool> cancelShown;
    // The counter and the buttons as they stand while the batch runs.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        countersSeen.push_back(controls().text(Gadget_Principal_Text_InfoNumImagenes));
        cancelShown.push_back(controls().isVisible(Gadget_Principal_Button_Cancelar) &&
                              !controls().isVisible(Gadget_Principal_Button_Procesar) &&
                              !controls().isEnabled(Panel_Principal));
    });
    onMessage = [&](const Shown& m) {
        if (m.title == "Fin de proceso") probe.stop();
    };
    probe.start(1);
    click(Gadget_Principal_Button_Procesar);

    ASSERT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_EQ(messages.back().text, "Todas las imágenes y textos fueron procesados");
    EXPECT_EQ(messages.back().icon, MessageIcon::Information);
    // The counter showed the progress, and now the current entry again, whose preview
    // the panes hold.
    EXPECT_NE(std::find(countersSeen.begin(), countersSeen.end(), "0000002/0000003"), countersSeen.end());
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000001/0000003");
    ASSERT_FALSE(cancelShown.empty());
    EXPECT_TRUE(cancelShown.front());
    // Afterwards PROCESAR is back, CANCELAR gone, the settings panel usable.
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Procesar));
    EXPECT_TRUE(controls().isEnabled(Gadget_Principal_Button_Procesar));
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Button_Cancelar));
    EXPECT_TRUE(controls().isEnabled(Panel_Principal));
    EXPECT_EQ(filesUnder(destination.path()).size(), 3u);
    for (const SourceImageEntry& e : state().SourceImageList.entries) EXPECT_EQ(e.saved, 1) << e.path;
}

TEST_F(BatchInWindow, TheStatusBarCountsTheBatchWithTheTimeLeftThenShowsItsPlaceholdersAgain) {
    startWithImages(3);
    std::vector<std::pair<std::string, std::string>> seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const std::pair<std::string, std::string> fields{window().statusFieldText(0).toStdString(),
                                                         window().statusFieldText(1).toStdString()};
        if (seen.empty() || seen.back() != fields) seen.push_back(fields);
    });
    std::pair<std::string, std::string> atTheEnd;
    onMessage = [&](const Shown& m) {
        if (m.title != "Fin de proceso") return;
        probe.stop();
        atTheEnd = {window().statusFieldText(0).toStdString(), window().statusFieldText(1).toStdString()};
    };
    probe.start(1);
    click(Gadget_Principal_Button_Procesar);

    ASSERT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_EQ(atTheEnd.first, "3 de 3");
    EXPECT_EQ(atTheEnd.second, "Quedan 0 s");
    bool counted = false;
    for (const auto& [count, left] : seen) {
        if (count == "Area 1") continue;
        counted = true;
        EXPECT_TRUE(count == "0 de 3" || count == "1 de 3" || count == "2 de 3" || count == "3 de 3") << count;
        EXPECT_TRUE(left.rfind("Quedan ", 0) == 0 || left == "Calculando tiempo restante...") << left;
    }
    EXPECT_TRUE(counted);
    EXPECT_EQ(window().statusFieldText(0), "Area 1");
    EXPECT_EQ(window().statusFieldText(1), "Area 2");
}

TEST_F(BatchInWindow, ImagesMadeSideBySideAreShownAndCountedInListOrder) {
    constexpr int kImages = 8;
    startWithImages(kImages, [](Settings& s) { s.entorno.Preview = 1; });
    std::vector<std::string> counters;
    std::vector<int> sourcesShown;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const std::string counter = controls().text(Gadget_Principal_Text_InfoNumImagenes);
        if (counters.empty() || counters.back() != counter) counters.push_back(counter);
        const ImageObject* pane = app->frontend().previewImage(QtFrontend::kSourcePane);
        if (pane == nullptr) return;
        const uint32_t colour = centreColour(pane);
        for (int i = 0; i < kImages; ++i) {
            if (colourOf(i) != colour) continue;
            if (sourcesShown.empty() || sourcesShown.back() != i) sourcesShown.push_back(i);
        }
    });
    probe.start(1);
    click(Gadget_Principal_Button_Procesar);
    probe.stop();
    ASSERT_EQ(messages.back().title, "Fin de proceso");
    // The counter only ever went forward, and stays at the last image, which the panes show.
    EXPECT_GT(counters.size(), 2u);
    EXPECT_TRUE(std::is_sorted(counters.begin(), counters.end())) << ::testing::PrintToString(counters);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000008/0000008");
    // The sources went through the pane in list order, the first one before the last.
    std::vector<int> listed;
    for (const SourceImageEntry& e : state().SourceImageList.entries) listed.push_back(imageNumber(e));
    std::vector<size_t> positions;
    for (int shown : sourcesShown) positions.push_back(size_t(std::find(listed.begin(), listed.end(), shown) - listed.begin()));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << ::testing::PrintToString(sourcesShown);
    EXPECT_GT(sourcesShown.size(), 2u);
    EXPECT_EQ(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)), colourOf(listed.back()));
    EXPECT_EQ(filesUnder(destination.path()).size(), size_t(kImages));
}

TEST_F(BatchInWindow, CancelStopsAfterTheImageInHandWithoutTheFinalMessage) {
    constexpr int kImages = 10;
    startWithImages(kImages);
    // Each pump of the batch is held up a moment, so that it still runs once CANCELAR
    // has been up for a while, however fast the machine.
    QTimer slow;
    QObject::connect(&slow, &QTimer::timeout, [] { QThread::msleep(100); });
    slow.start(0);
    // Pressed as soon as the batch pumps events: too soon, it is taken for the second
    // click of a double click on PROCESAR. Pressed again once CANCELAR has been up
    // for a moment, it acts.
    QTimer::singleShot(0, [this] { click(Gadget_Principal_Button_Cancelar); });
    QTimer::singleShot(600, [this] { click(Gadget_Principal_Button_Cancelar); });
    click(Gadget_Principal_Button_Procesar);
    slow.stop();
    EXPECT_EQ(titles(1), std::vector<std::string>{"Información"});
    EXPECT_EQ(messages.back().text, "Proceso Cancelado por Usuario");
    EXPECT_EQ(messages.back().icon, MessageIcon::Information);
    const size_t written = filesUnder(destination.path()).size();
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, size_t(kImages));
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Button_Cancelar));
}

// What the settings file stores of the cancel flag after a batch: down when the batch
// ran to its end, whatever an earlier cancelled scan left there.
TEST_F(BatchInWindow, ABatchRunToItsEndLeavesTheStoredCancelFlagDown) {
    startWithImages(2);
    state().settings.config.Cancelado = 1;
    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_EQ(filesUnder(destination.path()).size(), 2u);
    EXPECT_EQ(state().settings.config.Cancelado, 0);
}

// The same after a batch CANCELAR stopped: up, as the cancelled run left it.
TEST_F(BatchInWindow, ACancelledBatchLeavesTheStoredCancelFlagUp) {
    startWithImages(6);
    QTimer slow;
    QObject::connect(&slow, &QTimer::timeout, [] { QThread::msleep(100); });
    slow.start(0);
    QTimer::singleShot(600, [this] { click(Gadget_Principal_Button_Cancelar); });
    click(Gadget_Principal_Button_Procesar);
    slow.stop();
    EXPECT_EQ(messages.back().text, "Proceso Cancelado por Usuario");
    EXPECT_EQ(state().settings.config.Cancelado, 1);
    EXPECT_TRUE(state().cancel->requested());
}

TEST_F(BatchInWindow, ClosingTheWindowDuringABatchCancelsItAfterTheImageInHandThenEnds) {
    startWithImages(4);
    QTimer::singleShot(0, [this] {
        // At the batch's first pump, before its first image.
        QTimer::singleShot(0, [this] { window().close(); });
        click(Gadget_Principal_Button_Procesar);
    });
    EXPECT_EQ(app->exec(), 0);
    // Neither the end box nor the cancel notice: the user asked to leave.
    EXPECT_TRUE(titles(1).empty()) << titles(1).front();
    const auto written = filesUnder(destination.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(loadImage(destination.file(written.begin()->first), standardRegistry()).has_value());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(BatchInWindow, OtherControlsAreDeadWhileTheBatchRunsButThePreviewCheckboxActs) {
    startWithImages(3);
    ASSERT_EQ(state().settings.entorno.Preview, 0);
    const ImageObject sourceBefore = *app->frontend().previewImage(QtFrontend::kSourcePane);
    const ImageObject resultBefore = *app->frontend().previewImage(QtFrontend::kResultPane);
    QTimer::singleShot(0, [this] {
        click(Gadget_Principal_Basico_Button_ResizeProporcionAyuda);
        click(Gadget_Principal_CheckBox_Preview);
    });
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(titles(1), std::vector<std::string>{"Fin de proceso"});  // no help box
    EXPECT_EQ(state().settings.entorno.Preview, 1);
    // Every image went through the panes; the last one stays in them.
    const SourceImageEntry& last = state().SourceImageList.entries.back();
    EXPECT_EQ(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)), colourOf(imageNumber(last)));
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kSourcePane)->pixels, sourceBefore.pixels);
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane)->pixels, resultBefore.pixels);
}

TEST_F(BatchInWindow, PreconditionsAskAndTellBeforeAnythingIsWritten) {
    startWithImages(2, [](Settings& s) { s.texto.SoloMarcadeAgua = 0; });
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(messages.back().title, "Información");
    EXPECT_EQ(messages.back().text, "No has seleccionado archivo de frases ni seleccionado 'Usar Marca de Agua'");

    click(Gadget_Principal_CheckBox_UsarMarca);
    click(Gadget_Principal_Archivo_CheckBox_Sobreescribir);
    answers = {MessageAnswer::No};
    const auto sourceBefore = filesUnder(source.path());
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(messages.back().title, "Aviso de sobreescritura");
    EXPECT_EQ(messages.back().text,
              "Los archivos originales serán reemplazados por los modificados.\r\n\r\n¿Continuar con la operación?");
    EXPECT_EQ(messages.back().icon, MessageIcon::Warning);
    EXPECT_EQ(filesUnder(source.path()), sourceBefore);
    EXPECT_TRUE(filesUnder(destination.path()).empty());
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Procesar));

    state().SourceImageList.clear();
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(messages.back().title, "Información");
    EXPECT_EQ(messages.back().text,
              "No hay imágenes en la carpeta seleccionada o no se han escaneado posibles imágenes en dicha carpeta "
              "con botón: \r\n\r\n 'Escanear Imágenes'.");
}

TEST_F(BatchInWindow, ListOfTheOtherSourceKindIsRescannedInsteadOfConverted) {
    startWithImages(2);
    state().settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R";
    answers = {MessageAnswer::No};
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(titles(1), (std::vector<std::string>{"Aviso", "Aviso"}));
    EXPECT_EQ(messages.back().text, "Conversión de imágenes abortada");
    EXPECT_TRUE(filesUnder(destination.path()).empty());

    answers = {MessageAnswer::Yes};
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(state().settings.entorno.UltimoEscaneoImagenesLocalRemoto, "L");
    EXPECT_EQ(state().SourceImageList.size(), 2u);
    EXPECT_TRUE(filesUnder(destination.path()).empty());
}

TEST_F(BatchInWindow, AnUnreadableEntrySaysSoInBothPanesInsteadOfShowingTheLastPicture) {
    source.write("roto.jpg", "x");
    ASSERT_TRUE(writeSolidImage(source.file("a.png"), 60, 40, colourOf(0)));
    ASSERT_TRUE(writeSolidImage(source.file("b.png"), 70, 40, colourOf(1)));
    startScanningSource();
    SourceImageList& list = state().SourceImageList;
    ASSERT_EQ(list.size(), 3u);
    size_t broken = 0;
    while (list.entries[broken].path.find("roto") == std::string::npos) ++broken;
    // Browse to the readable entry before the broken one, then on to it.
    const size_t before = (broken + 2) % 3;
    while (list.current != before) click(Gadget_Principal_Button_ImagenSiguiente);
    const uint32_t previous = centreColour(app->frontend().previewImage(QtFrontend::kSourcePane));
    ASSERT_EQ(previous, colourOf(imageNumber(list.entries[before])));

    click(Gadget_Principal_Button_ImagenSiguiente);
    ASSERT_EQ(list.current, broken);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes),
              "000000" + std::to_string(broken + 1) + "/0000003");
    for (int pane : {Gadget_Principal_Image_Origen, Gadget_Principal_Image_Resultado}) {
        const std::string said = controls().widget(pane)->accessibleDescription().toStdString();
        EXPECT_NE(said.find("No se puede leer"), std::string::npos) << pane << ": " << said;
        EXPECT_NE(said.find("no es una imagen válida o está dañada"), std::string::npos) << pane << ": " << said;
    }
    EXPECT_NE(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)), previous);

    // The next readable entry is shown as usual, and the panes no longer say it.
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)),
              colourOf(imageNumber(list.entries[list.current])));
    EXPECT_TRUE(controls().widget(Gadget_Principal_Image_Origen)->accessibleDescription().isEmpty());
}

TEST_F(BatchInWindow, AScanThatFindsNothingTakesTheLastPictureOffTheSourcePane) {
    startWithImages(2);
    ASSERT_NE(app->frontend().previewImage(QtFrontend::kSourcePane), nullptr);
    TempDir empty;
    requesterAnswers = {path(empty.path())};
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenes);
    ASSERT_TRUE(state().SourceImageList.empty());
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000000/0000000");
    EXPECT_EQ(app->frontend().previewImage(QtFrontend::kSourcePane), nullptr);
}

TEST_F(BatchInWindow, ListOfAnotherFolderIsRescannedBeforeAnythingIsConverted) {
    startWithImages(2);
    // A settings file of another job, loaded with its rescan declined.
    TempDir otherSource;
    TempDir otherDestination;
    ASSERT_TRUE(writeSolidImage(otherSource.file("z.png"), 30, 30, 0x0000FF));
    const std::string cfg = programFolder.write(
        "otro.cfg", composeSettingsText(settingsFor(otherSource.path(), otherDestination.path()), currentDate()));
    requesterAnswers = {path(cfg)};
    answers = {MessageAnswer::No};
    click(Gadget_Principal_ButtonImage_ConfigLoad);
    ASSERT_EQ(state().settings.entorno.RutaOrigenLocal, otherSource.path());
    ASSERT_EQ(state().SourceImageList.size(), 2u);  // still the first folder's images

    // No: nothing happens at all.
    const size_t shown = messages.size();
    answers = {MessageAnswer::No};
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(titles(shown), std::vector<std::string>{"Aviso"});
    EXPECT_NE(messages.back().text.find(source.path()), std::string::npos) << messages.back().text;
    EXPECT_NE(messages.back().text.find(otherSource.path()), std::string::npos) << messages.back().text;
    EXPECT_TRUE(filesUnder(otherDestination.path()).empty());
    EXPECT_TRUE(filesUnder(destination.path()).empty());

    // Yes: the folder in force is scanned, then converted.
    answers = {MessageAnswer::Yes};
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_EQ(state().SourceImageList.size(), 1u);
    EXPECT_EQ(filesUnder(otherDestination.path()).size(), 1u);
    EXPECT_EQ(filesUnder(otherDestination.path()).count("z.png"), 1u);
    EXPECT_TRUE(filesUnder(destination.path()).empty());
}

}  // namespace
}  // namespace tesselon::testing

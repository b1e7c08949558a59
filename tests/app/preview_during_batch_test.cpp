// PROCESAR while the preview is being prepared ahead: the batch has the cores to itself,
// and once it is over the preview is prepared again around the entry the panes show.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <filesystem>

#include "app_fixture.h"
#include "processing/batch/preview_ahead.h"
#include "processing/batch/preview_image.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "ui/fit_image_to_box.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

// A picture of bands and gradients, so that a pane's picture shows how it was shrunk.
bool writeBanded(const std::string& path, int width, int height, int seed, const char* extension) {
    std::optional<ImageObject> image = createImage(width, height, 24, 0);
    if (!image) return false;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image->row(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uint8_t((x + y) / 7 * 29 + seed * 50);
            row[3 * x + 1] = uint8_t(y * 255 / height);
            row[3 * x + 2] = uint8_t(x * 255 / width);
        }
    }
    return saveImage(*image, path, *formatByExtension(extension));
}

class PreviewDuringBatch : public DesktopTest {
protected:
    // A batch of four photos with the panes on: each pane ends showing exactly what
    // fitImageToBox makes of the last photo and of its saved result.
    void expectPanesAsFitted(const char* extension, int8_t grey);
    // Photos large enough that preparing one takes a while, rotated freely.
    void startWithPhotos(int count, int8_t overwrite = 0) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(writeSolidImage(source.file(std::string(1, char('a' + i)) + ".jpg"), 1800, 1200, colourOf(i)));
        startScanningSource([overwrite](Settings& s) {
            s.entorno.imagenesSobreescribir = overwrite;
            s.entorno.FormatoImagen = "jpg";
            s.entorno.CalidadGrabacion = 70;
            s.image.Rotar = 21;
        });
        ASSERT_EQ(state().SourceImageList.size(), size_t(count));
        window().show();
    }

    SourceFileIdentity identityOf(size_t entry) {
        return identifySourceFile(state().SourceImageList.entries[entry].path);
    }

    // Keeps the window alive until every entry given has its exact preview made.
    bool preparedInTime(std::initializer_list<size_t> entries) {
        QElapsedTimer clock;
        clock.start();
        const auto ready = [&] {
            for (size_t e : entries)
                if (!preparerOf(state().preview).resultReady(identityOf(e))) return false;
            return true;
        };
        while (!ready() && clock.elapsed() < 30000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        return ready();
    }
};

TEST_F(PreviewDuringBatch, NoPreviewWorkBeginsWhileTheBatchRuns) {
    startWithPhotos(5);
    PreviewPreparer& preparer = preparerOf(state().preview);
    // PROCESAR at once, while the neighbours of the first photo are still being made.
    bool running = false;
    uint64_t begunAtStart = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (running || !controls().isVisible(Gadget_Principal_Button_Cancelar)) return;
        running = true;
        begunAtStart = preparer.stepsBegun();
    });
    uint64_t begunAtEnd = 0;
    bool workingAtEnd = true;
    onMessage = [&](const Shown& m) {
        if (m.title != "Fin de proceso") return;
        begunAtEnd = preparer.stepsBegun();
        workingAtEnd = preparer.working();
    };
    probe.start(1);
    click(Gadget_Principal_Button_Procesar);
    probe.stop();

    ASSERT_EQ(messages.back().title, "Fin de proceso");
    ASSERT_TRUE(running);
    EXPECT_EQ(begunAtEnd, begunAtStart);
    // What was in hand when PROCESAR came stopped long before the last photo was done.
    EXPECT_FALSE(workingAtEnd);
}

TEST_F(PreviewDuringBatch, AfterTheBatchTheEntryShownAndItsNeighboursArePreparedAgain) {
    startWithPhotos(5);
    ASSERT_TRUE(preparedInTime({0, 1, 4}));
    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso");
    // The batch dropped what was prepared; the panes show the entry they showed last.
    const size_t shown = state().SourceImageList.current;
    const size_t next = (shown + 1) % 5, previous = (shown + 4) % 5;
    const std::vector<uint8_t> sourcePane = app->frontend().previewImage(QtFrontend::kSourcePane)->pixels;
    const std::vector<uint8_t> resultPane = app->frontend().previewImage(QtFrontend::kResultPane)->pixels;

    // Without a move or a refresh, the batch's end starts their preparation again: the
    // entry shown, then ">" and "<" of it.
    EXPECT_TRUE(preparedInTime({shown, next, previous}));
    // The panes go on showing what they showed.
    EXPECT_EQ(app->frontend().previewImage(QtFrontend::kSourcePane)->pixels, sourcePane);
    EXPECT_EQ(app->frontend().previewImage(QtFrontend::kResultPane)->pixels, resultPane);

    // Moving on shows the next photo.
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(state().SourceImageList.current, next);
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kSourcePane)->pixels, sourcePane);
}

TEST_F(PreviewDuringBatch, ABatchStoppedByItsQuestionsLeavesThePreparedPreviewAlone) {
    startWithPhotos(3, 1);
    ASSERT_TRUE(preparedInTime({0, 1, 2}));
    // The overwrite question answered No: nothing is converted and nothing dropped.
    answers = {MessageAnswer::No};
    const uint64_t begun = preparerOf(state().preview).stepsBegun();
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(titles().back(), "Aviso de sobreescritura");
    EXPECT_TRUE(preparerOf(state().preview).resultReady(identityOf(1)));
    EXPECT_EQ(preparerOf(state().preview).stepsBegun(), begun);
}

void PreviewDuringBatch::expectPanesAsFitted(const char* extension, int8_t grey) {
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(writeBanded(source.file(std::string(1, char('a' + i)) + "." + extension), 1500 + 100 * i, 1000, i, extension));
    startScanningSource([grey](Settings& s) {
        s.entorno.Preview = 1;
        s.entorno.FormatoImagen = "jpg";
        s.entorno.CalidadGrabacion = 60;
        s.image.Rotar = 90;
        s.image.EscalaGrises = grey;
        s.image.RotarAntesQueTexto = 0;  // nothing drawn on the upright photo
    });
    window().show();
    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso");

    const SourceImageEntry& last = state().SourceImageList.entries.back();
    std::optional<ImageObject> photo = loadImage(last.path, standardRegistry());
    const std::string written =
        destination.file(std::filesystem::path(last.path).replace_extension(".jpg").filename().string());
    std::optional<ImageObject> saved = loadImage(written, standardRegistry());
    ASSERT_TRUE(photo && saved) << written;
    for (auto [pane, image] : {std::pair{QtFrontend::kSourcePane, &*photo}, std::pair{QtFrontend::kResultPane, &*saved}}) {
        const QWidget* box = controls().widget(pane == QtFrontend::kSourcePane ? Gadget_Principal_Image_Origen
                                                                                 : Gadget_Principal_Image_Resultado);
        std::optional<ImageObject> fitted =
            fitImageToBox(*image, box->width(), box->height(), state().DpiScaleX, state().DpiScaleY, 0);
        ASSERT_TRUE(fitted);
        const ImageObject* shown = app->frontend().previewImage(pane);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->width, fitted->width);
        EXPECT_TRUE(shown->pixels == fitted->pixels) << "pane " << pane;
    }
}

TEST_F(PreviewDuringBatch, ThePanesShowTheLastPhotoAndItsSavedResultAsTheyFitThem) {
    expectPanesAsFitted("png", 0);
}

// JPEG photos under a quarter turn are decoded straight into it, the source pane's
// picture made from their rows as they come: the same picture all the same.
TEST_F(PreviewDuringBatch, ThePanesOfPhotosTurnedWhileDecodedAreTheWholePhotosFitted) {
    expectPanesAsFitted("jpg", 1);
}

// A photo cut short part way through its rows, in a batch that turns photos while
// decoding them and shows each in the source pane: the batch goes on past it, writes
// nothing for it and says so at the end, and the panes end on the last photo as fitted.
TEST_F(PreviewDuringBatch, APhotoCutShortWhileItsRowsReachThePaneIsReportedAndTheBatchGoesOn) {
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(writeBanded(source.file(std::string(1, char('a' + i)) + ".jpg"), 1800, 1000, i, "jpg"));
    const std::string cut = source.file("b.jpg");
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    startScanningSource([](Settings& s) {
        s.entorno.Preview = 1;
        s.entorno.FormatoImagen = "jpg";
        s.image.Rotar = 270;
        s.image.EscalaGrises = 1;
        s.image.RotarAntesQueTexto = 0;
    });
    window().show();
    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso con errores");
    EXPECT_TRUE(std::filesystem::exists(destination.file("a.jpg")));
    EXPECT_FALSE(std::filesystem::exists(destination.file("b.jpg")));
    EXPECT_TRUE(std::filesystem::exists(destination.file("c.jpg")));

    std::optional<ImageObject> last = loadImage(source.file("c.jpg"), standardRegistry());
    ASSERT_TRUE(last);
    const QWidget* box = controls().widget(Gadget_Principal_Image_Origen);
    std::optional<ImageObject> fitted =
        fitImageToBox(*last, box->width(), box->height(), state().DpiScaleX, state().DpiScaleY, 0);
    const ImageObject* shown = app->frontend().previewImage(QtFrontend::kSourcePane);
    ASSERT_TRUE(fitted && shown);
    EXPECT_TRUE(shown->pixels == fitted->pixels);
}

}  // namespace
}  // namespace tesselon::testing

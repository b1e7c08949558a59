// What the user does while the preview refreshes: clicks and changed values are kept and
// act when the refresh ends, labels follow their trackbars at once, and browsing leaves
// no trace in the destination. And the counter after a batch.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "app_fixture.h"
#include "runtime/fs/file_system.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

class PreviewEvents : public DesktopTest {
protected:
    // Runs `action` at the first event pump, which comes inside the refresh that the
    // next action starts, and notes that the window was busy with it then. `holdMs`
    // makes that refresh slow on purpose: the pump is held that long first.
    void duringNextRefresh(std::function<void()> action, int holdMs = 0) {
        QTimer::singleShot(0, [this, action = std::move(action), holdMs] {
            QThread::msleep(unsigned(holdMs));
            busyWhenActed = window().busy();
            action();
        });
    }
    bool busyWhenActed = false;

    std::vector<uint8_t> resultPane() { return app->frontend().previewImage(QtFrontend::kResultPane)->pixels; }
};

TEST_F(PreviewEvents, ClickOnProcesarDuringARefreshStartsTheBatchWhenItEnds) {
    startWithImages(3);
    duringNextRefresh([this] { click(Gadget_Principal_Button_Procesar); }, 300);
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 60);
    EXPECT_TRUE(busyWhenActed);
    EXPECT_EQ(titles(1), std::vector<std::string>{"Fin de proceso"});
    EXPECT_EQ(filesUnder(destination.path()).size(), 3u);

    // Twice during one refresh: one batch.
    const size_t shown = messages.size();
    duringNextRefresh([this] {
        click(Gadget_Principal_Button_Procesar);
        click(Gadget_Principal_Button_Procesar);
    });
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 61);
    EXPECT_EQ(titles(shown), std::vector<std::string>{"Fin de proceso"});
}

TEST_F(PreviewEvents, LabelsSettingsAndPreviewFollowValuesChangedDuringARefresh) {
    startWithImages(1);
    std::string labelMeanwhile;
    duringNextRefresh([&] {
        slide(Gadget_Principal_Basico_TrackBar_Contraste, 131);
        labelMeanwhile = controls().text(Gadget_Principal_Basico_Text_Contraste);
        slide(Gadget_Principal_TrackBar_Interlineado, 8);
    });
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 27);
    EXPECT_TRUE(busyWhenActed);
    EXPECT_EQ(labelMeanwhile, "131");
    EXPECT_EQ(controls().text(Gadget_Principal_Basico_Text_Contraste), "131");
    EXPECT_EQ(controls().text(Gadget_Principal_Text_Interlineado), "2.60");
    EXPECT_EQ(state().settings.image.Contraste, 131);
    const std::vector<uint8_t> afterwards = resultPane();

    // The pane is the preview of 131, not of 27.
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 27);
    const std::vector<uint8_t> at27 = resultPane();
    slide(Gadget_Principal_Basico_TrackBar_Contraste, 131);
    EXPECT_EQ(afterwards, resultPane());
    EXPECT_NE(afterwards, at27);
}

TEST_F(PreviewEvents, TypedTextAndAnglesReachTheSettingsAndThePreviewAsTyped) {
    startWithImages(1);
    auto* watermark = controls().widget(Gadget_Principal_String_MarcaAgua);
    watermark->setFocus();
    QTest::keyClick(watermark, Qt::Key_End);
    duringNextRefresh([&] { QTest::keyClicks(watermark, "bc"); });
    QTest::keyClicks(watermark, "a");
    EXPECT_TRUE(busyWhenActed);
    // Still in the field, which never lost the focus.
    ASSERT_TRUE(watermark->hasFocus());
    const std::string& text = state().settings.texto.TextoMarcaAgua;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), "abc");
    const std::string& drawn = state().SourceImageList.entries[0].overlayText;
    ASSERT_GE(drawn.size(), 3u);
    EXPECT_EQ(drawn.substr(drawn.size() - 3), "abc");

    // "30" typed into the free angle: 3 starts a refresh, the 0 comes during it.
    duringNextRefresh([this] { spin(Gadget_Principal_Basico_Spin_RotarLibre, 30); });
    spin(Gadget_Principal_Basico_Spin_RotarLibre, 3);
    EXPECT_EQ(state().settings.image.Rotar, 30);
    EXPECT_EQ(controls().state(Gadget_Principal_Basico_Option_RotarLibre), 1);
    const std::vector<uint8_t> afterwards = resultPane();
    spin(Gadget_Principal_Basico_Spin_RotarLibre, 3);
    const std::vector<uint8_t> at3 = resultPane();
    spin(Gadget_Principal_Basico_Spin_RotarLibre, 30);
    EXPECT_EQ(afterwards, resultPane());
    EXPECT_NE(afterwards, at3);
}

TEST_F(PreviewEvents, BrowsingWritesNothingInTheDestination) {
    for (const char* name : {"uno/a.png", "dos/ñandú/b.jpg", "c.png"})
        ASSERT_TRUE(writeSolidImage(source.file(name), 50, 30, 0x336699));
    writeDefaultSettings([&] {
        Settings s = settingsFor(source.path(), destination.path() + "nueva/");
        s.entorno.imagenesRecursivo = 1;
        return s;
    }());
    giveConsent();
    answers = {MessageAnswer::Yes};
    ASSERT_TRUE(startWith());
    ASSERT_EQ(state().SourceImageList.size(), 3u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(previews([&] { click(Gadget_Principal_Button_ImagenSiguiente); }));
        EXPECT_NE(app->frontend().previewImage(QtFrontend::kResultPane), nullptr);
    }
    EXPECT_EQ(fileSize(destination.file("nueva")), kFileMissing);
    EXPECT_TRUE(filesUnder(destination.path()).empty());
}

TEST_F(PreviewEvents, AfterABatchTheCounterThePanesAndTheCurrentEntryAgree) {
    startWithImages(3);
    click(Gadget_Principal_Button_ImagenSiguiente);
    ASSERT_EQ(state().SourceImageList.current, 1u);
    const std::vector<uint8_t> previewed = resultPane();
    click(Gadget_Principal_Button_Procesar);
    // The panes still hold the preview of entry 2: so do the counter and the cursor.
    EXPECT_EQ(resultPane(), previewed);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000002/0000003");
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000003/0000003");

    // With the panes showing every image, they end on the last one, and so does the rest.
    click(Gadget_Principal_Button_ImagenAnterior);
    click(Gadget_Principal_CheckBox_Preview);
    click(Gadget_Principal_Button_Procesar);
    EXPECT_EQ(state().SourceImageList.current, 2u);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000003/0000003");
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000001/0000003");
}

TEST_F(PreviewEvents, TheFolderChooserSpeaksSpanish) {
    startQuietly();
    app->frontend().setRequesterScript(nullptr);
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) texts << button->text();
        dialog->reject();
    });
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino);
    EXPECT_TRUE(texts.contains("Ver en:")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("Cancelar")) << texts.join(" | ").toStdString();
    EXPECT_FALSE(texts.contains("Look in:"));
}

}  // namespace
}  // namespace tesselon::testing

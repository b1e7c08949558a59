#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/state.h"
#include "main_window_fixture.h"
#include "runtime/imaging/image_operations.h"
#include "settings/defaults.h"
#include "ui/main_window_controls.h"
#include "ui/qt_frontend.h"

namespace tesselon::testing {
namespace {

class FrontendWindowHooks : public MainWindowTest {
protected:
    FrontendWindowHooks() {
        frontend.setInterfaceImages(&images);
        state.frontend = &frontend;
    }
    AppState state;
    QtFrontend frontend{state, table, &window};
};

TEST_F(FrontendWindowHooks, BatchRunningSwapsProcessAndCancel) {
    frontend.setBatchRunning(true);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Button_Procesar));
    EXPECT_FALSE(controls().isEnabled(Gadget_Principal_Button_Procesar));
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Cancelar));
    frontend.setBatchRunning(false);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Procesar));
    EXPECT_TRUE(controls().isEnabled(Gadget_Principal_Button_Procesar));
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Button_Cancelar));

    frontend.setImageCounter("0000003/0000250");
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000003/0000250");
    frontend.setSourceChangedNotice(true);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
}

TEST_F(FrontendWindowHooks, PreviewPanesShowFittedImagesAtTheScreensScale) {
    std::optional<ImageObject> big = createImage(4000, 3000, 24, 0xFFFFFF);
    frontend.showPreviewImage(*big, QtFrontend::kSourcePane);
    const ImageObject* pane = frontend.previewImage(QtFrontend::kSourcePane);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->width, 380);
    EXPECT_EQ(pane->height, 251);
    const QPixmap shown = widget<QLabel>(Gadget_Principal_Image_Origen)->pixmap();
    EXPECT_EQ(shown.size(), QSize(380, 251));
    EXPECT_EQ(frontend.previewImage(QtFrontend::kResultPane), nullptr);

    state.DpiScaleX = state.DpiScaleY = 1.5;
    std::optional<ImageObject> other = createImage(4000, 3000, 24, 0xFFFFFF);
    frontend.showPreviewImage(*other, QtFrontend::kResultPane);
    ASSERT_NE(frontend.previewImage(QtFrontend::kResultPane), nullptr);
    EXPECT_EQ(frontend.previewImage(QtFrontend::kResultPane)->width, 570);
    EXPECT_EQ(frontend.previewImage(QtFrontend::kResultPane)->height, 377);
}

TEST_F(FrontendWindowHooks, TextSampleIsDrawnOnTheResultPlaceholder) {
    resetToDefaults(state.settings, "Text Sample|over Image|@ 2026 Halvren Labs");
    state.DefaultWatermarkText = "Text Sample|over Image|@ 2026 Halvren Labs";
    frontend.refreshTextSample();
    const ImageObject* sample = frontend.previewImage(QtFrontend::kResultPane);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->width, 380);
    EXPECT_EQ(sample->height, 251);
    // The placeholder itself stays as it was, for the next sample.
    const ImageObject& placeholder = images[9];
    EXPECT_NE(sample->pixels, placeholder.pixels);
    ImageObject copy = *copyImage(placeholder);
    EXPECT_EQ(copy.pixels, placeholder.pixels);
}

TEST_F(FrontendWindowHooks, ReadingTheControlsFillsAllThreeGroups) {
    controls().setState(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, 66);
    controls().setState(Gadget_Principal_TrackBar_TransparenciaBorde, 77);
    controls().setState(Gadget_Principal_Basico_TrackBar_Contraste, 88);
    frontend.readControlsIntoSettings();
    EXPECT_EQ(state.settings.entorno.CalidadGrabacion, 66);
    EXPECT_EQ(state.settings.texto.FuenteUsada.TransparenciaBorde, 77);
    EXPECT_EQ(state.settings.image.Contraste, 88);
}

TEST_F(FrontendWindowHooks, MessageBoxesSpeakSpanishAndReturnAnswersTheFirstButton) {
    QString title, text;
    QStringList captions;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* b : box->buttons()) captions << b->text();
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    });
    const MessageAnswer a = frontend.messageBox("Recontar nº de imágenes", "¿Releer?\r\nSí", MessageButtons::YesNo,
                                                MessageIcon::Warning);
    EXPECT_EQ(a, MessageAnswer::Yes);
    EXPECT_EQ(title, "Recontar nº de imágenes");
    EXPECT_EQ(text, "¿Releer?\nSí");
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"No", "Sí"}));
}

TEST_F(FrontendWindowHooks, CancelIgnoresClicksInItsFirstMomentSoADoubleClickOnProcesarGoesOn) {
    std::vector<std::string> said;
    frontend.setMessageScript([&](std::string_view, std::string_view text, MessageButtons, MessageIcon) {
        said.emplace_back(text);
        return MessageAnswer::Ok;
    });
    frontend.bindImmediateCallbacks();
    window.show();
    frontend.setBatchRunning(true);
    // The second click of a double click on PROCESAR lands on CANCELAR, which took its place.
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Button_Cancelar), Qt::LeftButton);
    EXPECT_EQ(state.settings.config.Cancelado, 0);
    EXPECT_TRUE(said.empty());

    QTest::qWait(450);
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Button_Cancelar), Qt::LeftButton);
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    EXPECT_EQ(said, std::vector<std::string>{"Proceso Cancelado por Usuario"});
}

TEST_F(FrontendWindowHooks, CancelRaisesTheTokenTheBatchPolls) {
    frontend.setMessageScript([](std::string_view, std::string_view, MessageButtons, MessageIcon) {
        return MessageAnswer::Ok;
    });
    frontend.bindImmediateCallbacks();
    window.show();
    frontend.setBatchRunning(true);
    QTest::qWait(450);
    EXPECT_FALSE(state.cancel->requested());
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Button_Cancelar), Qt::LeftButton);
    EXPECT_TRUE(state.cancel->requested());
}

TEST_F(FrontendWindowHooks, TheRetryQuestionOfADownloadNamesItsAnswers) {
    for (const auto& [press, expected] : {std::pair{QString("Omitir"), MessageAnswer::No},
                                          std::pair{QString("Reintentar"), MessageAnswer::Yes},
                                          std::pair{QString("Cancelar"), MessageAnswer::Cancel}}) {
        QStringList captions;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                captions << b->text();
                if (b->text() == press) chosen = b;
            }
            ASSERT_NE(chosen, nullptr);
            chosen->click();
        });
        const MessageAnswer a = frontend.messageBox("Error de descarga de archivo", "No se pudo descargar 'a.jpg'",
                                                    MessageButtons::RetrySkipCancel, MessageIcon::Error);
        EXPECT_EQ(a, expected) << press.toStdString();
        captions.sort();
        EXPECT_EQ(captions, (QStringList{"Cancelar", "Omitir", "Reintentar"}));
    }
}

}  // namespace
}  // namespace tesselon::testing

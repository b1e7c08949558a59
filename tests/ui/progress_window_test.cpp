#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "core/state.h"
#include "main_window_fixture.h"
#include "ui/main_window_controls.h"
#include "ui/progress_window.h"
#include "ui/qt_frontend.h"

namespace tesselon::testing {
namespace {

class ProgressAndStatus : public MainWindowTest {
protected:
    ProgressAndStatus() {
        frontend.setMessageScript([this](std::string_view title, std::string_view text, MessageButtons b, MessageIcon icon) {
            shown.push_back({std::string(title), std::string(text), b, icon});
            return MessageAnswer::Ok;
        });
        frontend.bindImmediateCallbacks();
        window.show();
    }

    ProgressWindow* progress() { return frontend.progressWindow(); }
    QProgressBar* bar() { return qobject_cast<QProgressBar*>(progress()->controls().widget(Gadget_Progreso_ProgressBar)); }
    std::string info() { return progress()->controls().text(Gadget_Progreso_Text_Informacion); }

    struct Shown {
        std::string title, text;
        MessageButtons buttons;
        MessageIcon icon;
    };
    AppState state;
    QtFrontend frontend{state, table, &window};
    std::vector<Shown> shown;
};

TEST_F(ProgressAndStatus, ProgressWindowAsBuilt) {
    EXPECT_EQ(progress(), nullptr);  // created on first use
    frontend.openProgressWindow("Escaneando...", 40);
    ProgressWindow* w = progress();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Progreso");
    EXPECT_EQ(w->size(), QSize(500, 145));
    const Qt::WindowFlags flags = w->windowFlags();
    // A dialog whose title bar asks for no buttons at all.
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowSystemMenuHint));
    EXPECT_EQ(w->grab().toImage().pixelColor(2, 2), QColor(0x46, 0x46, 0x46));

    ControlRegistry& c = w->controls();
    EXPECT_EQ(c.widget(Gadget_Progreso_Text_Informacion)->geometry(), QRect(10, 5, 480, 45));
    EXPECT_EQ(c.backColour(Gadget_Progreso_Text_Informacion), 0x464646u);
    EXPECT_EQ(c.textColour(Gadget_Progreso_Text_Informacion), 0x00FFFFu);
    EXPECT_EQ(c.textColour(Gadget_Progreso_ProgressBar), 0xFF0000u);
    EXPECT_EQ(c.widget(Gadget_Progreso_ProgressBar)->geometry(), QRect(10, 55, 480, 30));
    EXPECT_EQ(c.text(Gadget_Progreso_Button_Cancelar), "Cancelar");
    EXPECT_EQ(c.widget(Gadget_Progreso_Button_Cancelar)->geometry(), QRect(200, 95, 115, 40));
    EXPECT_TRUE(c.font(Gadget_Progreso_Button_Cancelar).bold());

    EXPECT_EQ(info(), "Escaneando...");
    EXPECT_EQ(bar()->minimum(), 0);
    EXPECT_EQ(bar()->maximum(), 40);
    EXPECT_EQ(bar()->value(), 0);

    // A close from the window manager is its Cancelar; the operation closes it.
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Proceso Cancelado por Usuario");
}

TEST_F(ProgressAndStatus, ReopeningResetsTextAndBar) {
    frontend.openProgressWindow("Primero", 10);
    frontend.setProgressText("Archivo 7");
    frontend.setProgressPosition(7);
    EXPECT_EQ(bar()->value(), 7);

    // Open again while open: same window, fresh bar and text.
    ProgressWindow* first = progress();
    frontend.openProgressWindow("Segundo", 3);
    EXPECT_EQ(progress(), first);
    EXPECT_EQ(info(), "Segundo");
    EXPECT_EQ(bar()->maximum(), 3);
    EXPECT_EQ(bar()->value(), 0);

    // Closed after an operation and created again on the next.
    frontend.setProgressPosition(2);
    frontend.closeProgressWindow();
    EXPECT_EQ(progress(), nullptr);
    frontend.setProgressText("sin ventana");  // harmless without a window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frontend.openProgressWindow("Tercero", 5);
    ASSERT_NE(progress(), nullptr);
    EXPECT_EQ(info(), "Tercero");
    EXPECT_EQ(bar()->maximum(), 5);
    EXPECT_EQ(bar()->value(), 0);
}

TEST_F(ProgressAndStatus, ProgressFromAWorkerThreadArrivesOnTheGuiThread) {
    frontend.openProgressWindow("Subiendo", 100);
    std::thread worker([this] {
        frontend.setProgressText("Subiendo 1 de 4");
        frontend.setProgressPosition(25);
    });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(info(), "Subiendo 1 de 4");
    EXPECT_EQ(bar()->value(), 25);
}

// A scan, a download or a test upload polls the request its front end hands it: each
// Cancelar raises it.
TEST_F(ProgressAndStatus, CancelButtonsRaiseTheRequestTheRunningOperationPolls) {
    EXPECT_FALSE(state.cancel->requested());
    frontend.openProgressWindow("Descargando", 10);
    QTest::mouseClick(qobject_cast<QPushButton*>(progress()->controls().widget(Gadget_Progreso_Button_Cancelar)),
                      Qt::LeftButton);
    EXPECT_TRUE(state.cancel->requested());

    state.cancel->clear();
    frontend.closeProgressWindow();
    controls().setVisible(Gadget_Principal_Button_Cancelar, true);
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Button_Cancelar), Qt::LeftButton);
    EXPECT_TRUE(state.cancel->requested());
}

TEST_F(ProgressAndStatus, CancelButtonsSetTheFlagAndTellTheUser) {
    frontend.openProgressWindow("Descargando", 10);
    auto* cancel = qobject_cast<QPushButton*>(progress()->controls().widget(Gadget_Progreso_Button_Cancelar));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Información");
    EXPECT_EQ(shown[0].text, "Proceso Cancelado por Usuario");
    EXPECT_EQ(shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(shown[0].icon, MessageIcon::None);

    // A window opened again after closing is bound again.
    state.settings.config.Cancelado = 0;
    frontend.closeProgressWindow();
    frontend.openProgressWindow("Otra vez", 1);
    QTest::mouseClick(qobject_cast<QPushButton*>(progress()->controls().widget(Gadget_Progreso_Button_Cancelar)),
                      Qt::LeftButton);
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    EXPECT_EQ(shown.size(), 2u);

    state.settings.config.Cancelado = 0;
    controls().setVisible(Gadget_Principal_Button_Cancelar, true);
    QTest::mouseClick(widget<QPushButton>(Gadget_Principal_Button_Cancelar), Qt::LeftButton);
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].icon, MessageIcon::Information);
}

TEST_F(ProgressAndStatus, PreviewCheckboxTakesEffectAtOnce) {
    auto* preview = widget<QCheckBox>(Gadget_Principal_CheckBox_Preview);
    state.settings.entorno.Preview = 0;
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(state.settings.entorno.Preview, 1);
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(state.settings.entorno.Preview, 0);
    // Shown from the settings, the box does not write them back.
    controls().setState(Gadget_Principal_CheckBox_Preview, 1);
    EXPECT_EQ(state.settings.entorno.Preview, 0);
}

TEST_F(ProgressAndStatus, StatusLineShowsAndHides) {
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_TextInformativo));
    frontend.setStatusLine(false, "Escaneando imágenes");
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_TextInformativo));
    EXPECT_EQ(controls().text(Gadget_Principal_TextInformativo), "Escaneando imágenes");
    frontend.setStatusLine(true, "Terminado");
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_TextInformativo));
    EXPECT_EQ(controls().text(Gadget_Principal_TextInformativo), "Terminado");
}

TEST_F(ProgressAndStatus, MainWindowDisabledAndBroughtBack) {
    frontend.setMainWindowEnabled(false);
    EXPECT_FALSE(window.isEnabled());
    frontend.openProgressWindow("Trabajando", 1);
    EXPECT_TRUE(progress()->isEnabled());  // its Cancelar stays usable
    frontend.setMainWindowEnabled(true);
    frontend.bringMainWindowToFront();
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace tesselon::testing

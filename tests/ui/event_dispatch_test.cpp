#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <vector>

#include "core/state.h"
#include "main_window_fixture.h"
#include "ui/main_window_controls.h"
#include "ui/qt_frontend.h"

namespace tesselon::testing {
namespace {

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

class EventDispatch : public MainWindowTest {
protected:
    EventDispatch() {
        window.handleMainEvent = [this](const WindowEvent& e) {
            handled.push_back(e);
            return answer;
        };
        window.onProgramEnd = [this] { ++programEnds; };
        frontend.setMessageScript([this](std::string_view title, std::string_view text, MessageButtons, MessageIcon icon) {
            messages.push_back({std::string(title), std::string(text), icon});
            return MessageAnswer::Ok;
        });
        frontend.bindImmediateCallbacks();
        window.show();
    }

    QPushButton* button(int id) { return widget<QPushButton>(id); }
    // Runs the action from inside the event loop the frontend pumps.
    void whilePumping(std::function<void()> action, double ms = 20) {
        QTimer::singleShot(0, &window, std::move(action));
        frontend.waitPumpingEvents(ms);
    }

    struct Shown {
        std::string title, text;
        MessageIcon icon;
    };
    AppState state;
    QtFrontend frontend{state, table, &window};
    std::vector<WindowEvent> handled;
    std::vector<Shown> messages;
    std::string answer;
    int programEnds = 0;
};

TEST_F(EventDispatch, ControlEventsReachTheHandler) {
    QTest::mouseClick(button(Gadget_Principal_Button_Procesar), Qt::LeftButton);
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].type, WindowEventType::Control);
    EXPECT_EQ(handled[0].control, Gadget_Principal_Button_Procesar);
    EXPECT_EQ(handled[0].kind, ControlEventKind::Clicked);
}

TEST_F(EventDispatch, ClicksWhilePumpingAreDroppedButImmediateCallbacksRun) {
    controls().setVisible(Gadget_Principal_Button_Cancelar, true);
    whilePumping([this] {
        button(Gadget_Principal_ButtonImage_ConfigSave)->click();
        button(Gadget_Principal_Button_Cancelar)->click();
    });
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(state.settings.config.Cancelado, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Información");
    EXPECT_EQ(messages[0].text, "Proceso Cancelado por Usuario");
    EXPECT_EQ(messages[0].icon, MessageIcon::Information);

    // A click read by pumpOneEvent is lost too; afterwards clicks are handled again.
    QTimer::singleShot(0, &window, [this] { button(Gadget_Principal_ButtonImage_ConfigLoad)->click(); });
    frontend.pumpOneEvent();
    EXPECT_TRUE(handled.empty());
    button(Gadget_Principal_ButtonImage_ConfigLoad)->click();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].control, Gadget_Principal_ButtonImage_ConfigLoad);
}

TEST_F(EventDispatch, HandlerIsNotReenteredByEventsItCauses) {
    window.handleMainEvent = [this](const WindowEvent& e) {
        handled.push_back(e);
        // A modal dialog or a nested loop inside the handler lets new clicks through.
        button(Gadget_Principal_ButtonImage_ConfigLoad)->click();
        return std::string();
    };
    button(Gadget_Principal_ButtonImage_ConfigSave)->click();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].control, Gadget_Principal_ButtonImage_ConfigSave);
}

TEST_F(EventDispatch, WaitOfZeroStillHandlesPendingEvents) {
    bool ran = false;
    QMetaObject::invokeMethod(&window, [&ran] { ran = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    frontend.waitPumpingEvents(0);
    EXPECT_TRUE(ran);
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST_F(EventDispatch, WaitLastsAtLeastItsTimeWithoutBurningTheProcessor) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(20);

    const double cpuBefore = processCpuMs();
    QElapsedTimer clock;
    clock.start();
    frontend.waitPumpingEvents(200);
    const qint64 wallNs = clock.nsecsElapsed();
    const double cpuMs = processCpuMs() - cpuBefore;

    EXPECT_GE(wallNs, 200'000'000);
    EXPECT_LT(cpuMs, 0.5 * double(wallNs) / 1e6);
    EXPECT_GE(ticks, 3);  // timers keep running meanwhile, like the clock
}

TEST_F(EventDispatch, CloseRequestGoesToTheHandler) {
    answer = MainWindow::kProgramEnd;
    window.close();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].type, WindowEventType::CloseRequest);
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(window.isVisible());  // the exit path closes it

    // The close button of the strip ends the program the same way.
    QTest::mouseClick(button(Gadget_Principal_ButtonImage_Cerrar), Qt::LeftButton);
    EXPECT_EQ(programEnds, 2);

    window.closeForExit();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(EventDispatch, CloseRequestWhilePumpingIsLost) {
    answer = MainWindow::kProgramEnd;
    whilePumping([this] { window.close(); });
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(programEnds, 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EventDispatch, OtherAnswersKeepTheProgramRunning) {
    answer = "";
    window.close();
    EXPECT_EQ(handled.size(), 1u);
    EXPECT_EQ(programEnds, 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EventDispatch, WindowWithoutHandlerClosesOnRequest) {
    MainWindow bare;
    bare.show();
    bare.close();
    EXPECT_FALSE(bare.isVisible());
}

TEST_F(EventDispatch, TrackbarReleaseIsALeftButtonUpEvent) {
    controls().setState(Panel_Principal, 0);
    auto* quality = widget<QSlider>(Gadget_Principal_Archivo_TrackBar_GrabarCalidad);
    quality->setFocus();
    const QPointF end(quality->width() - 3, quality->height() / 2);
    const QPointF global = quality->mapToGlobal(end);
    QMouseEvent press(QEvent::MouseButtonPress, end, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, end, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(quality, &press);
    QCoreApplication::sendEvent(quality, &release);

    // One window event naming the trackbar, not a second one for the window itself.
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].type, WindowEventType::LeftButtonUp);
    EXPECT_EQ(handled[0].control, Gadget_Principal_Archivo_TrackBar_GrabarCalidad);
    EXPECT_EQ(controls().focusedControl(), Gadget_Principal_Archivo_TrackBar_GrabarCalidad);

    // Released over the window itself: a window event without a control.
    QMouseEvent windowRelease(QEvent::MouseButtonRelease, QPointF(500, 50), window.mapToGlobal(QPointF(500, 50)),
                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &windowRelease);
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[1].type, WindowEventType::LeftButtonUp);
    EXPECT_EQ(handled[1].control, 0);
}

}  // namespace
}  // namespace tesselon::testing

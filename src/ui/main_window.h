// Window 1: the fixed-size main window with its controls, status bar and clock, and the
// one path by which its events reach the program's event handler.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/control_registry.h"
#include "ui/control_types.h"
#include "ui/event_gate.h"
#include "ui/interface_images.h"

class QLabel;
class QStatusBar;
class QTimer;

namespace tesselon {

class LanguageTable;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 1024;
    static constexpr int kClientHeight = 700;
    static constexpr int kClockTimerMs = 1000;
    static constexpr uint32_t kBackgroundColour = 0x800040;  // 0x00BBGGRR
    // The handler's answer that ends the program.
    static constexpr const char* kProgramEnd = "findeprograma";

    explicit MainWindow(QWidget* parent = nullptr);

    // Sets the title from the language key Window_Principal and creates every control;
    // the status line (3), the rescan notice (86) and CANCELAR (126) start hidden, and so
    // does the FTP data button (81), which shares its place with the folder button (80)
    // until the settings choose between them.
    void buildControls(LanguageTable& table, const InterfaceImages& images);

    ControlRegistry& controls() { return controls_; }
    const ControlRegistry& controls() const { return controls_; }
    EventGate& eventGate() { return gate_; }

    // The program's handler of window 1: control events, the close request and the
    // left button released. Its answer kProgramEnd ends the program.
    using EventHandler = std::function<std::string(const WindowEvent&)>;
    EventHandler handleMainEvent;
    // Called when the handler answered kProgramEnd; without it the window just closes.
    std::function<void()> onProgramEnd;
    // Called for a close request (title-bar close); returns true when the program
    // should end, which accepts the close. When unset the request goes to
    // handleMainEvent as a CloseRequest event.
    std::function<bool()> onCloseRequested;
    // Called for a close request that comes while a long operation runs (the gate is
    // shut and no preview refresh keeps events); without it the request is lost.
    std::function<void()> onCloseWhileBusy;

    // Called with each event kept for later (see dispatch), as it is kept.
    std::function<void(const WindowEvent&)> onEventKept;

    // Hands the event to the handler. While the gate is shut (a long operation pumps
    // events) or the handler is still busy with an earlier event, the event is kept in
    // the gate when a preview refresh holds it open for that, and is otherwise consumed
    // without action; false then.
    bool dispatch(const WindowEvent& event);

    // True while events do not reach the handler: a long operation pumps them, or the
    // handler is still busy with an earlier event.
    bool busy() const { return gate_.suspended() || handling_; }

    // Closes the window for good, without asking anyone (the exit path).
    void closeForExit();

    void setBackgroundColour(uint32_t colour);
    uint32_t backgroundColour() const { return background_; }

    // Writes the current local date and time into the clock field of the status bar.
    void showClock();
    QString clockText() const;
    QString statusFieldText(int index) const;
    // Fields 0 and 1 of the status bar; their built-in texts when `text` is empty.
    void setStatusField(int index, const QString& text);

    void centreOnScreen();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishWith(const std::string& answer);

    ControlRegistry controls_;
    EventGate gate_;
    bool handling_ = false;
    bool closingForExit_ = false;
    uint32_t background_ = kBackgroundColour;
    QStatusBar* statusBar_ = nullptr;
    QLabel* fields_[3] = {};
    QTimer* clock_ = nullptr;
};

}  // namespace tesselon

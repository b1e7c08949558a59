// The desktop program's Frontend: message boxes, the status line, the progress window,
// the event pumping of long operations and the immediate callbacks, on Qt.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "engine/frontend.h"

class QWidget;

namespace tesselon {

struct AppState;
class LanguageTable;
class MainWindow;
class ProgressWindow;

class QtFrontend : public Frontend {
public:
    // Answers message boxes without showing them; in-process tests set it.
    using MessageScript = std::function<MessageAnswer(std::string_view title, std::string_view text,
                                                      MessageButtons, MessageIcon)>;

    QtFrontend(AppState& state, LanguageTable& table, MainWindow* mainWindow = nullptr);
    ~QtFrontend() override;
    QtFrontend(const QtFrontend&) = delete;
    QtFrontend& operator=(const QtFrontend&) = delete;

    void setMainWindow(MainWindow* w);
    void setMessageScript(MessageScript script) { script_ = std::move(script); }

    // Connects the immediate callbacks of window 1: CANCELAR (126) to onMainCancel and
    // the preview checkbox (66) to onPreviewToggle. They run inside any event pumping.
    void bindImmediateCallbacks();

    // Sets Cancelado and tells the user, with the information icon.
    void onMainCancel();
    // Window 2's Cancelar: sets Cancelado and tells the user, without icon.
    void onProgressCancel();
    // Preview := the preview checkbox's state, at once.
    void onPreviewToggle();

    // Window 2 while it exists, else null.
    ProgressWindow* progressWindow() const;

    MessageAnswer messageBox(std::string_view title, std::string_view text,
                             MessageButtons buttons, MessageIcon icon) override;
    void setStatusLine(bool hide, std::string_view text) override;
    void openProgressWindow(std::string_view text, int maximum) override;
    // These two may be called from a worker thread (the FTP test upload); the change
    // then reaches the window through the GUI thread's event loop.
    void setProgressText(std::string_view text) override;
    void setProgressPosition(int position) override;
    void closeProgressWindow() override;
    // Waits at least `ms` while dispatching events; meanwhile window 1's control
    // events are dropped. Pending events are handled even for 0 ms.
    void waitPumpingEvents(double ms) override;
    void pumpOneEvent() override;
    void setMainWindowEnabled(bool enabled) override;
    void bringMainWindowToFront() override;

private:
    QWidget* dialogParent() const;
    bool onGuiThread() const;

    AppState& state_;
    LanguageTable& table_;
    QPointer<MainWindow> main_;
    QPointer<ProgressWindow> progress_;
    MessageScript script_;
    // Lives as long as this front end: connections and queued calls made on its
    // behalf end with it.
    QObject context_;
};

}  // namespace tesselon

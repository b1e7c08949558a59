// The desktop program: start sequence, main loop and exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/state.h"
#include "ui/interface_images.h"
#include "ui/language_table.h"

class QApplication;

namespace tesselon {

class MainWindow;
class QtFrontend;
struct WindowEvent;

inline constexpr const char* kProgramTitle = "Tesselon - v0.3f";
inline constexpr const char* kEndProgram = "findeprograma";

class Application {
public:
    struct Options {
        std::string programFolder;        // ending with "/"; default.cfg and friends live here
        std::vector<std::string> params;  // command-line parameters, without the program path
    };

    explicit Application(Options options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the start sequence up to the main loop. False when the program must end at
    // once (the exit code is then 0 and nothing was written).
    bool start();
    // Runs the main loop until the program is asked to end, then the exit steps;
    // returns the process exit code.
    int exec();

    void loadWorkingSettings(bool firstStart);
    // The dispatcher of window 1; "findeprograma" ends the program.
    std::string handleMainEvent(const WindowEvent& event);
    // When locked is 1, writes the settings back; then closes window 1.
    void saveAndCloseMain();

    AppState& state() { return state_; }
    MainWindow* mainWindow() { return window_.get(); }
    QtFrontend& frontend() { return *frontend_; }

private:
    Options options_;
    AppState state_;
    LanguageTable table_;
    InterfaceImages images_;
    std::unique_ptr<QtFrontend> frontend_;
    std::unique_ptr<MainWindow> window_;
    bool endRequested_ = false;
};

// The process entry of the desktop program.
int runDesktop(int argc, char** argv);

}  // namespace tesselon

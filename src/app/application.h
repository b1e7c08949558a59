// The desktop program: start sequence, main loop and exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/start_parameters.h"
#include "core/state.h"
#include "ui/interface_images.h"
#include "ui/language_table.h"
#include "ui/main_event_handler.h"

namespace tesselon {

class MainWindow;
class QtFrontend;
class QtTranslations;
class UsageStatistics;
struct WindowEvent;

inline constexpr const char* kProgramTitle = "Tesselon - v0.3f";
inline constexpr const char* kEndProgram = kEndProgramAnswer;
inline constexpr const char* kRescanAtStartTitle = "Recontar nº de imágenes";
inline constexpr const char* kRescanAtStartQuestion = "¿Releer el nº de imágenes en la ruta actual?";

class Application {
public:
    struct Options {
        // The executable's folder, ending with "/": default.cfg and friends live here, or
        // in the per-user folder when it is not writable (engine/program_folder.h).
        std::string programFolder;
        std::vector<std::string> params;  // command-line parameters, without the program path
    };

    explicit Application(Options options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the start sequence up to the main loop. False when the program must end at
    // once without its exit steps (consent refused, or the update replaced the
    // program): the exit code is then 0 and no settings are written.
    bool start();
    // Runs the main loop until the program is asked to end, then the exit steps;
    // returns the process exit code.
    int exec();

    // Rebuilds the working settings from the defaults, the settings file and what is
    // left of the start parameters, fills the window, asks whether to rescan the
    // source and refreshes the preview. firstStart also runs the update check when the
    // program was started without parameters.
    void loadWorkingSettings(bool firstStart);
    // The dispatcher of window 1; "findeprograma" ends the program.
    std::string handleMainEvent(const WindowEvent& event);
    // When locked is 1, writes the settings back; then closes window 1.
    void saveAndCloseMain();
    // A termination request from outside (SIGTERM), or the window closed during a long
    // operation: ends the program like the close button. A question or requester
    // waiting meanwhile is closed as Escape would, later ones get that answer without
    // being shown, a long operation is cancelled, and the request is retried until they
    // are gone.
    void requestEnd();

    // The program the online update replaces and restarts; the running executable
    // unless set otherwise.
    void setExecutablePath(std::string path) { executablePath_ = std::move(path); }

    AppState& state() { return state_; }
    MainWindow* mainWindow() { return window_.get(); }
    QtFrontend& frontend() { return *frontend_; }
    const InterfaceImages& interfaceImages() const { return images_; }

private:
    void askForRescan();
    void refreshPreview();

    Options options_;
    std::string executablePath_;
    StartParameters params_;
    AppState state_;
    LanguageTable table_;
    InterfaceImages images_;
    std::unique_ptr<QtTranslations> qtTexts_;
    std::unique_ptr<QtFrontend> frontend_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<MainEventContext> events_;
    std::unique_ptr<UsageStatistics> statistics_;
    bool started_ = false;     // the window's events reach handleMainEvent
    bool inMainLoop_ = false;
    bool endRequested_ = false;
    bool terminating_ = false;  // a termination request came from outside
};

// The process entry of the desktop program.
int runDesktop(int argc, char** argv);

}  // namespace tesselon

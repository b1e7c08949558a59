#include "app/application.h"

#include <QApplication>
#include <QTimer>

#include "engine/program_setup.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "ui/main_window.h"
#include "ui/qt_frontend.h"

namespace tesselon {

Application::Application(Options options) : options_(std::move(options)) {
    frontend_ = std::make_unique<QtFrontend>();
    state_.frontend = frontend_.get();
}

Application::~Application() = default;

bool Application::start() {
    initProgramState(state_, options_.programFolder, currentDate());

    window_ = std::make_unique<MainWindow>();
    frontend_->setMainWindow(window_.get());
    window_->onCloseRequested = [this] {
        if (handleMainEvent(kEventCloseWindow) == kEndProgram) {
            // The loop ends first; the exit steps then save and close the window.
            endRequested_ = true;
            QCoreApplication::exit(0);
        }
        return false;
    };
    window_->centreOnScreen();
    window_->show();

    loadWorkingSettings(true);

    frontend_->waitPumpingEvents(250);
    return true;
}

void Application::loadWorkingSettings(bool /*firstStart*/) {
    window_->setWindowTitle(kProgramTitle);
    frontend_->waitPumpingEvents(10);
    resetToDefaults(state_.settings, state_.DefaultWatermarkText);
    loadSettings(state_.settings, state_.SettingsFilePath);
}

std::string Application::handleMainEvent(int eventType, int /*control*/) {
    if (eventType == kEventCloseWindow) return kEndProgram;
    return {};
}

void Application::saveAndCloseMain() {
    if (state_.settings.entorno.locked == 1) saveSettings(state_, state_.SettingsFilePath);
    if (window_) {
        window_->onCloseRequested = nullptr;
        window_->close();
    }
}

int Application::exec() {
    if (!endRequested_) QApplication::exec();
    saveAndCloseMain();
    return 0;
}

int runDesktop(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Application::Options options;
    options.programFolder = executableFolder();
    for (int i = 1; i < argc; ++i) options.params.emplace_back(argv[i]);
    Application app(std::move(options));
    if (!app.start()) return 0;
    return app.exec();
}

}  // namespace tesselon

#include "app/application.h"
#include "app/termination_signals.h"

#include <QApplication>
#include <QTimer>

#include "engine/program_setup.h"
#include "ui/control_types.h"
#include "ui/screen_scale.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "ui/main_window.h"
#include "ui/qt_frontend.h"

namespace tesselon {

Application::Application(Options options) : options_(std::move(options)) {
    frontend_ = std::make_unique<QtFrontend>(state_, table_);
    state_.frontend = frontend_.get();
}

Application::~Application() = default;

bool Application::start() {
    initProgramState(state_, options_.programFolder, currentDate());
    const ScreenScale scale = readScreenScale();
    state_.DpiScaleX = scale.x;
    state_.DpiScaleY = scale.y;
    registerProgramCodecs(state_.codecs);
    images_ = decodeInterfaceImages(state_.codecs, scale.x, scale.y);
    table_ = buildLanguageTable();

    window_ = std::make_unique<MainWindow>();
    window_->buildControls(table_, images_);
    frontend_->setMainWindow(window_.get());
    window_->handleMainEvent = [this](const WindowEvent& event) { return handleMainEvent(event); };
    window_->onProgramEnd = [this] {
        // The loop ends first; the exit steps then save and close the window.
        endRequested_ = true;
        QCoreApplication::exit(0);
    };
    window_->centreOnScreen();
    window_->show();

    loadWorkingSettings(true);

    frontend_->waitPumpingEvents(250);
    frontend_->bindImmediateCallbacks();
    return true;
}

void Application::loadWorkingSettings(bool /*firstStart*/) {
    window_->setWindowTitle(kProgramTitle);
    frontend_->waitPumpingEvents(10);
    resetToDefaults(state_.settings, state_.DefaultWatermarkText);
    loadSettings(state_.settings, state_.SettingsFilePath);
}

std::string Application::handleMainEvent(const WindowEvent& event) {
    if (event.type == WindowEventType::CloseRequest) return kEndProgram;
    return {};
}

void Application::saveAndCloseMain() {
    if (state_.settings.entorno.locked == 1) saveSettings(state_, state_.SettingsFilePath);
    if (window_) window_->closeForExit();
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
    // A termination request closes the window like its close button does.
    TerminationSignals terminationSignals([&app] {
        if (MainWindow* w = app.mainWindow()) w->close();
    });
    if (!app.start()) return 0;
    return app.exec();
}

}  // namespace tesselon

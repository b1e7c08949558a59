#include "app/application.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "app/consent_gate.h"
#include "app/ftp_actions.h"
#include "app/guarded_application.h"
#include "app/interface_lock.h"
#include "app/online_update.h"
#include "app/termination_signals.h"
#include "engine/program_setup.h"
#include "ui/desktop_batch.h"
#include "remote/ftp_sessions.h"
#include "update/statistics_request.h"
#include "processing/text/phrases_file.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "sources/scan_images.h"
#include "ui/control_types.h"
#include "ui/main_window.h"
#include "ui/main_events.h"
#include "ui/main_window_controls.h"
#include "ui/qt_frontend.h"
#include "ui/qt_translations.h"
#include "engine/remote_context_of.h"
#include "ui/screen_scale.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

constexpr int kEndRetryMs = 100;

}  // namespace

Application::Application(Options options)
    : options_(std::move(options)), executablePath_(executablePath()), params_(options_.params) {
    frontend_ = std::make_unique<QtFrontend>(state_, table_);
    state_.frontend = frontend_.get();
}

Application::~Application() = default;

bool Application::start() {
    qtTexts_ = std::make_unique<QtTranslations>();
    state_.adopt(programStartOf(options_.programFolder, currentDate()));
    registerProgramDecoders(state_.codecs);
    const ScreenScale scale = readScreenScale();
    state_.DpiScaleX = scale.x;
    state_.DpiScaleY = scale.y;
    images_ = decodeInterfaceImages(state_.codecs, scale.x, scale.y);
    table_ = buildLanguageTable();
    sessionTableIn(state_.ftpSessions);

    window_ = std::make_unique<MainWindow>();
    window_->buildControls(table_, images_);
    frontend_->setMainWindow(window_.get());
    frontend_->setInterfaceImages(&images_);
    events_ = std::make_unique<MainEventContext>(MainEventContext{
        state_, window_->controls(), *frontend_, [this] { loadWorkingSettings(false); },
        ftpConnectionWindow(state_, table_, *window_),
        remoteImagesDownload(state_, *frontend_, [this] { refreshPreview(); }), {},
        &window_->eventGate()});
    window_->onEventKept = [this](const WindowEvent& event) { showKeptEvent(*events_, event); };
    // Until the start is through, the window's events are read and dropped; only a
    // close request is remembered, and ends the program instead of the main loop.
    window_->handleMainEvent = [this](const WindowEvent& event) -> std::string {
        if (started_) return handleMainEvent(event);
        return event.type == WindowEventType::CloseRequest ? kEndProgram : "";
    };
    // Closing the window while a batch, a scan or a download runs cancels it (the image
    // or file in hand is finished) and then ends the program.
    window_->onCloseWhileBusy = [this] { requestEnd(); };
    window_->onProgramEnd = [this] {
        endRequested_ = true;
        // The loop ends first; the exit steps then save and close the window.
        if (inMainLoop_) QCoreApplication::exit(0);
    };
    window_->centreOnScreen();
    window_->show();

    if (!passConsentGate(state_.ProgramFolder, *frontend_, currentDate())) return false;

    loadWorkingSettings(true);
    if (!window_) return false;  // the update check ended the program

    statistics_ = startUsageStatistics();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    window_->show();
    frontend_->waitPumpingEvents(250);
    frontend_->bindImmediateCallbacks();
    started_ = true;
    return true;
}

void Application::loadWorkingSettings(bool firstStart) {
    ControlRegistry& controls = window_->controls();
    window_->setWindowTitle(kProgramTitle);
    frontend_->waitPumpingEvents(10);
    controls.setVisible(Gadget_Principal_Button_Cancelar, false);
    controls.setEnabled(Gadget_Principal_Image_PosicionTexto, false);

    resetToDefaults(state_.settings, state_.DefaultWatermarkText);
    loadSettings(state_.settings, state_.SettingsFilePath);

    // The parameters are read once: a later load finds none left, keeps the file's
    // values and locks the controls as that file says.
    const bool withParameters = params_.count() >= 1;
    if (withParameters) {
        applyStartSwitches(state_, params_);
        applyInterfaceLock(controls, state_.settings.entorno.locked);
    }

    bindEnvironment(state_, controls, BindDirection::Show);
    bindTextOverlay(state_, controls, BindDirection::Show);
    bindImageOps(state_, controls, BindDirection::Show);
    readPhrasesFile(state_.settings.texto.ArchivoFrases, state_.PhrasesList, state_.frontend,
                    state_.SourceImageList.current);
    frontend_->clearSourcePane();
    frontend_->waitPumpingEvents(500);
    frontend_->refreshTextSample();

    // A termination request meanwhile asks no more questions.
    if (terminating_ || endRequested_) return;
    askForRescan();

    bindEnvironment(state_, controls, BindDirection::Show);
    bindTextOverlay(state_, controls, BindDirection::Show);
    bindImageOps(state_, controls, BindDirection::Show);
    bindTextPosition(state_, controls, BindDirection::Show);
    bindTextPosition(state_, controls, BindDirection::Read);
    refreshPreview();
    refreshPreview();

    const STRProcesosTexto& texto = state_.settings.texto;
    controls.setText(Gadget_Principal_String_MarcaAgua, texto.TextoMarcaAgua);
    controls.setState(Gadget_Principal_CheckBox_UsarMarca, texto.SoloMarcadeAgua);
    const bool watermark = texto.SoloMarcadeAgua == 1;
    controls.setEnabled(Gadget_Principal_String_RutaCsvTextos, !watermark);
    controls.setEnabled(Gadget_Principal_ButtonImage_RutaCSVTextos, !watermark);
    controls.setEnabled(Gadget_Principal_String_MarcaAgua, controls.state(Gadget_Principal_CheckBox_UsarMarca) != 0);
    // The preview checkbox edits a stored setting too; it shows the value in force.
    controls.setState(Gadget_Principal_CheckBox_Preview, state_.settings.entorno.Preview != 0);

    const OnlineUpdateSetup update{state_, table_, window_.get(), executablePath_,
                                   [this] { saveAndCloseMain(); }};
    // An installed program (its folder is not writable) is updated by the package
    // manager, never by replacing itself.
    if (firstStart && !withParameters && !state_.ExecutableFolderReadOnly && runUpdateCheck(update)) {
        // The update replaced the program: it ends without its exit steps.
        endRequested_ = true;
        window_->closeForExit();
        window_.reset();
    }
}

void Application::askForRescan() {
    const MessageAnswer answer =
        frontend_->messageBox(kRescanAtStartTitle, kRescanAtStartQuestion, MessageButtons::YesNo, MessageIcon::Warning);
    if (answer != MessageAnswer::Yes) {
        frontend_->setSourceChangedNotice(true);
        return;
    }
    frontend_->setSourceChangedNotice(false);
    scanImages(remoteContextOf(state_), state_.settings.entorno, state_.SourceImageList,
               state_.settings.entorno.imagenesRecursivo != 0);
    refreshPreview();
}

void Application::refreshPreview() {
    // Once the window's events reach the handler, what the user does during the refresh
    // is kept and acts after it, as during any other refresh.
    if (started_)
        tesselon::refreshPreview(*events_);
    else
        runDesktopBatch(state_, true);
}

std::string Application::handleMainEvent(const WindowEvent& event) {
    if (!events_) return event.type == WindowEventType::CloseRequest ? kEndProgram : "";
    return tesselon::handleMainEvent(*events_, event);
}

void Application::saveAndCloseMain() {
    if (state_.settings.entorno.locked == 1) saveSettings(state_, state_.SettingsFilePath);
    if (window_) window_->closeForExit();
}

void Application::requestEnd() {
    if (!window_ || endRequested_) return;
    terminating_ = true;
    frontend_->setEnding(true);
    // A question or a requester waiting for the user is closed the way Escape closes
    // it, which answers No or Cancel; a long operation is cancelled. Once nothing is
    // running the window is closed like its close button does.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
    } else if (window_->busy()) {
        // The runs poll the token; the update check still polls the stored flag.
        state_.cancel->request();
        state_.settings.config.Cancelado = 1;
    } else {
        window_->close();
        return;
    }
    QTimer::singleShot(kEndRetryMs, window_.get(), [this] { requestEnd(); });
}

int Application::exec() {
    int code = 0;
    if (!endRequested_) {
        inMainLoop_ = true;
        code = QApplication::exec();
        inMainLoop_ = false;
    }
    saveAndCloseMain();
    // Every FTP session still open gets its QUIT.
    closeSessionsIn(state_.ftpSessions);
    statistics_.reset();
    return code;
}

namespace {

int runDesktopOrThrow(int argc, char** argv) {
    GuardedApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Lets the desktop match the windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName("com.halvrenlabs.Tesselon");
    QApplication::setWindowIcon(QIcon::fromTheme("tesselon"));
    Application::Options options;
    options.programFolder = executableFolder();
    for (int i = 1; i < argc; ++i) options.params.emplace_back(argv[i]);
    Application app(std::move(options));
    TerminationSignals terminationSignals([&app] { app.requestEnd(); });
    try {
        if (!app.start()) return 0;
        return app.exec();
    } catch (...) {
        // Outside any event: in the start or the exit steps.
        tellUncaughtException();
        return 1;
    }
}

}  // namespace

int runDesktop(int argc, char** argv) {
    try {
        return runDesktopOrThrow(argc, argv);
    } catch (...) {
        // Before Qt stood, or as it went: no box can be shown.
        tellUncaughtException(false);
        return 1;
    }
}

}  // namespace tesselon

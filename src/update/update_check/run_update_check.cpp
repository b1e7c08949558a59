#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "runtime/process/program_run.h"
#include "settings/settings_file.h"
#include "update/update_check/build_stamp.h"
#include "update/update_check/executable_swap.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {

constexpr double kOpenPauseMs = 10;
constexpr double kRaisePauseMs = 50;
constexpr double kNoUpdatePauseMs = 800;
constexpr double kGrowPauseMs = 10;
constexpr double kIdlePollMs = 10;
constexpr double kBeforeInstallMs = 500;
constexpr double kBeforeRestartMs = 1500;
constexpr double kAfterRestartMs = 200;

void openUpdateWindow(UpdateSession& session) {
    session.frontend.setMainWindowEnabled(false);
    session.screen.localStamp = kLocalBuildStamp;
    session.openWindow();
    session.pause(kOpenPauseMs);
    session.pause(kRaisePauseMs);
    session.pause(kRaisePauseMs);
    session.frontend.pumpOneEvent();
}

void storeCheckBox(UpdateSession& session) {
    session.state.settings.config.autoUpdate = session.checkBoxChecked() ? 1 : 0;
}

// The window goes and the start goes on; an out-of-date build does not: once a newer
// one was offered, leaving ends the program.
UpdateOutcome leave(UpdateSession& session) {
    if (session.newerFound) {
        session.closeWindow();
        session.check.saveAndCloseMain();
        return UpdateOutcome::EndProgram;
    }
    storeCheckBox(session);
    session.closeWindow();
    session.frontend.setMainWindowEnabled(true);
    return UpdateOutcome::Continue;
}

// Saves the settings, swaps the executable and starts the new one. False when the swap
// could not be made: the running program stays as it was.
bool install(UpdateSession& session, const std::string& newExecutable) {
    session.pause(kBeforeInstallMs);
    storeCheckBox(session);
    saveSettings(session.state, "default.cfg");
    const std::string& executable = session.check.executablePath;
    if (!swapExecutable(newExecutable, executable, session.programFolder() + "deleteme.now")) {
        deleteFile(newExecutable);
        reportDownloadFailure(session);
        return false;
    }
    session.pause(kBeforeRestartMs);
    session.check.saveAndCloseMain();
    runProgramArguments({executable, "-update"});
    session.pause(kAfterRestartMs);
    return true;
}

}  // namespace

UpdateOutcome runUpdateCheck(UpdateCheck& check) {
    UpdateSession session(check);
    session.state.settings.config.Cancelado = 0;
    const std::optional<std::string> base = chooseBaseUrl(session);
    if (!base) return UpdateOutcome::EndProgram;
    const std::string versionUrl = *base + kUpdateFolder + kVersionFileName;

    openUpdateWindow(session);
    const std::optional<std::string> text = fetchVersionText(session, versionUrl);
    if (!text) return UpdateOutcome::EndProgram;
    const VersionFile version = parseVersionFile(*text, kLocalBuildStamp);
    session.screen.onlineStamp = version.onlineStamp;
    session.refresh();
    session.frontend.pumpOneEvent();

    if (!isNewerBuild(version.onlineStamp, kLocalBuildStamp)) {
        if (!session.leaveRequested()) session.pause(kNoUpdatePauseMs);
        session.closeWindow();
        session.frontend.setMainWindowEnabled(true);
        return UpdateOutcome::Continue;
    }

    session.newerFound = true;
    session.screen.expanded = true;
    session.screen.fileCounter = "(0 de " + std::to_string(version.lines.size()) + ")";
    session.refresh();
    session.pause(kGrowPauseMs);
    session.frontend.pumpOneEvent();

    // The download starts by itself once; afterwards only on request.
    bool startNow = true;
    for (;;) {
        if (session.leaveRequested()) return leave(session);
        if (startNow || session.takeDownloadRequest()) {
            startNow = false;
            std::string newExecutable;
            const DownloadOutcome outcome = downloadUpdateFiles(session, version, newExecutable);
            if (outcome == DownloadOutcome::Left) return leave(session);
            if (outcome == DownloadOutcome::Done && install(session, newExecutable)) return UpdateOutcome::EndProgram;
        }
        session.pause(kIdlePollMs);
    }
}

}  // namespace tesselon

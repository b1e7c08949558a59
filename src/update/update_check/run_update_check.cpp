#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "runtime/process/program_run.h"
#include "settings/settings_file.h"
#include "update/update_check/build_stamp.h"
#include "update/update_check/update_steps.h"
#include "update/update_check/version_signature.h"

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
constexpr const char* kFailureTitle = "Error Actualizando";
constexpr const char* kUnsignedText = "No se pudo verificar la firma de la actualización";

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

// The window closes and the start goes on without an update.
UpdateOutcome closeWithoutUpdate(UpdateSession& session) {
    if (!session.leaveRequested()) session.pause(kNoUpdatePauseMs);
    session.closeWindow();
    session.frontend.setMainWindowEnabled(true);
    return UpdateOutcome::Continue;
}

// Whether the version file's bytes carry the vendor's signature. Nothing when the
// program must end.
std::optional<VersionTrust> verifyVersionFile(UpdateSession& session, const std::string& versionUrl,
                                              const std::string& versionBytes) {
    if (!isUsableUpdateKey(session.check.publicKey)) return VersionTrust::NoKey;
    const std::optional<std::string> signature = fetchVersionSignature(session, versionUrl);
    if (!signature) return std::nullopt;
    return checkVersionSignature(versionBytes, *signature, session.check.publicKey);
}

// Moves the new files into place, the executable last, saves the settings for the new
// build and starts it. False when a move failed: the program folder is then as it was,
// default.cfg included.
bool install(UpdateSession& session, const VersionFile& version, StagedUpdate& staged) {
    session.pause(kBeforeInstallMs);
    storeCheckBox(session);
    const std::string& executable = session.check.executablePath;
    if (!staged.install(version, executable, session.programFolder() + "deleteme.now")) {
        reportDownloadFailure(session);
        return false;
    }
    saveSettings(session.state, "default.cfg");
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
    VersionFile version = parseVersionFile(*text, kLocalBuildStamp);
    // A download tool brings the new executable only, as it always has.
    if (session.useTool() && version.lines.size() > 1) version.lines.resize(1);
    session.screen.onlineStamp = version.onlineStamp;
    session.refresh();
    session.frontend.pumpOneEvent();

    if (!isNewerBuild(version.onlineStamp, kLocalBuildStamp)) return closeWithoutUpdate(session);

    // Whoever answers the network can write a version file; only the vendor can sign
    // one. An unsigned offer is no offer, so the program goes on as it is.
    const std::optional<VersionTrust> trust = verifyVersionFile(session, versionUrl, *text);
    if (!trust) return UpdateOutcome::EndProgram;
    if (*trust == VersionTrust::NoKey) return closeWithoutUpdate(session);
    if (*trust == VersionTrust::Unsigned) {
        session.frontend.messageBox(kFailureTitle, kUnsignedText, MessageButtons::Ok, MessageIcon::Error);
        return closeWithoutUpdate(session);
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
            std::unique_ptr<StagedUpdate> staged;
            const DownloadOutcome outcome = downloadUpdateFiles(session, version, staged);
            if (outcome == DownloadOutcome::Left) return leave(session);
            if (outcome == DownloadOutcome::Done && install(session, version, *staged)) return UpdateOutcome::EndProgram;
        }
        session.pause(kIdlePollMs);
    }
}

}  // namespace tesselon

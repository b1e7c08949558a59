#include "core/state.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/file_system.h"
#include "update/download_tools/content_length_probe.h"
#include "update/update_check/file_checksum.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {

constexpr double kCounterPauseMs = 10;
constexpr double kFinishedPauseMs = 20;
constexpr const char* kFailureTitle = "Error Actualizando";
constexpr const char* kFailureText = "No se pudo descargar actualización";

struct Arrival {
    bool ok = false;
    bool overVerifiedHttps = false;
};

// Reserves a fresh name beside `target` for the download to land on.
std::string reserveTemporaryBeside(const std::string& target) {
    std::string path;
    FileDescriptor reserved = createTemporaryBeside(target, 0666, path);
    return reserved.valid() ? path : std::string();
}

Arrival downloadWithTool(UpdateSession& session, const std::string& url, const std::string& temporary) {
    return Arrival{session.toolDownload(url, temporary, false).text == "OK", false};
}

Arrival downloadWithService(UpdateSession& session, std::string url, const std::string& temporary) {
    const auto pumping = [&session](int64_t) {
        session.pause(1);
        return !session.leaveRequested();
    };
    // The size only feeds the progress bar.
    int64_t size = contentLengthProbe(url, session.check.limits, pumping);
    if (size < 0 && url.starts_with("https:")) {
        // A host that cannot be reached over HTTPS may still be over HTTP; what comes
        // that way is trusted only by its checksum.
        const std::string plain = "http:" + url.substr(6);
        const int64_t plainSize = contentLengthProbe(plain, session.check.limits, pumping);
        if (plainSize > 0) {
            url = plain;
            size = plainSize;
        }
    }
    UpdateScreen& screen = session.screen;
    screen.progressMaximum = size > 0 ? size : 0;
    screen.progressValue = 0;
    session.refresh();

    HttpTransferPtr transfer = receiveHttpFile(url, temporary, session.httpOptions());
    if (!transfer) return {};
    const int64_t state = session.await(*transfer, [&](int64_t received) {
        screen.progressValue = received;
        session.refresh();
    });
    // An error page is not the file, whatever the service thinks of it.
    const long status = transfer->statusCode();
    if (state != kHttpSucceeded || status < 200 || status > 299) return {};
    screen.progressValue = screen.progressMaximum;
    session.refresh();
    session.pause(kFinishedPauseMs);
    return Arrival{true, transfer->cameOverVerifiedHttps()};
}

// Whether the file that arrived may be used: not empty, matching its checksum when the
// line gives one, and for the executable, either checked that way or fetched over
// HTTPS with the host's certificate verified.
bool trustworthy(const std::string& temporary, const UpdateFileLine& line, bool executable, const Arrival& arrival) {
    if (!arrival.ok || fileSize(temporary) <= 0) return false;
    if (!line.sha256.empty()) return sha256OfFile(temporary) == line.sha256;
    return !executable || arrival.overVerifiedHttps;
}

}  // namespace

void reportDownloadFailure(UpdateSession& session) {
    session.frontend.messageBox(kFailureTitle, kFailureText, MessageButtons::Ok, MessageIcon::Error);
}

DownloadOutcome downloadUpdateFiles(UpdateSession& session, const VersionFile& version, std::string& newExecutable) {
    const size_t count = version.lines.size();
    newExecutable.clear();
    const auto giveUp = [&](const std::string& temporary, DownloadOutcome outcome) {
        if (!temporary.empty()) deleteFile(temporary);
        if (!newExecutable.empty()) deleteFile(newExecutable);
        newExecutable.clear();
        if (outcome == DownloadOutcome::Failed) reportDownloadFailure(session);
        return outcome;
    };

    for (size_t i = 0; i < count; ++i) {
        const UpdateFileLine& line = version.lines[i];
        const bool executable = i == 0;
        session.screen.fileCounter = "(" + std::to_string(i + 1) + " de " + std::to_string(count) + ")";
        session.refresh();
        session.pause(kCounterPauseMs);
        if (session.leaveRequested()) return giveUp({}, DownloadOutcome::Left);

        const std::optional<std::string> target = localPathFor(session.programFolder(), line);
        if (!target) return giveUp({}, DownloadOutcome::Failed);
        // The new executable waits beside the running one for the swap; every other file
        // lands beside its target, which it replaces only once it is whole.
        const std::string temporary = reserveTemporaryBeside(executable ? session.check.executablePath : *target);
        if (temporary.empty()) return giveUp({}, DownloadOutcome::Failed);

        const Arrival arrival = session.useTool() ? downloadWithTool(session, line.url(), temporary)
                                                  : downloadWithService(session, line.url(), temporary);
        if (session.leaveRequested()) return giveUp(temporary, DownloadOutcome::Left);
        if (!trustworthy(temporary, line, executable, arrival)) return giveUp(temporary, DownloadOutcome::Failed);
        if (executable) {
            newExecutable = temporary;
        } else if (!renameFile(temporary, *target)) {
            return giveUp(temporary, DownloadOutcome::Failed);
        }
    }
    return DownloadOutcome::Done;
}

}  // namespace tesselon

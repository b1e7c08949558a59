#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "update/download_tools/content_length_probe.h"
#include "update/update_check/file_checksum.h"
#include "update/update_check/update_bounds.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {

constexpr double kCounterPauseMs = 10;
constexpr double kFinishedPauseMs = 20;
constexpr const char* kFailureTitle = "Error Actualizando";
constexpr const char* kFailureText = "No se pudo descargar actualización";

bool downloadWithTool(UpdateSession& session, const std::string& url, const std::string& target, int64_t maxBytes) {
    return session.toolDownload(url, target, maxBytes).text == "OK";
}

bool downloadWithService(UpdateSession& session, std::string url, const std::string& target, int64_t maxBytes) {
    const auto pumping = [&session](int64_t) {
        session.pause(1);
        return !session.leaveRequested();
    };
    // The size only feeds the progress bar.
    int64_t size = contentLengthProbe(url, session.check.limits, pumping);
    if (size < 0 && url.starts_with("https:")) {
        // A host that cannot be reached over HTTPS may still be over HTTP; what comes
        // either way is trusted only by its signed checksum.
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

    HttpTransferPtr transfer = receiveHttpFile(url, target, session.httpOptions(maxBytes));
    if (!transfer) return false;
    const int64_t state = session.await(*transfer, [&](int64_t received) {
        screen.progressValue = received;
        session.refresh();
    });
    // An error page is not the file, whatever the service thinks of it.
    const long status = transfer->statusCode();
    if (state != kHttpSucceeded || status < 200 || status > 299) return false;
    screen.progressValue = screen.progressMaximum;
    session.refresh();
    session.pause(kFinishedPauseMs);
    return true;
}

bool isSha256Text(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Whether every line names a file that can go where it says and carries the checksum
// it must match.
bool everyLineUsable(const std::string& programFolder, const VersionFile& version) {
    for (const UpdateFileLine& line : version.lines)
        if (!isSha256Text(line.sha256) || !localPathFor(programFolder, line)) return false;
    return !version.lines.empty();
}

}  // namespace

void reportDownloadFailure(UpdateSession& session) {
    session.frontend.messageBox(kFailureTitle, kFailureText, MessageButtons::Ok, MessageIcon::Error);
}

DownloadOutcome downloadUpdateFiles(UpdateSession& session, const VersionFile& version,
                                    std::unique_ptr<StagedUpdate>& staged) {
    const size_t count = version.lines.size();
    staged.reset();
    const auto giveUp = [&](DownloadOutcome outcome) {
        staged.reset();
        if (outcome == DownloadOutcome::Failed) reportDownloadFailure(session);
        return outcome;
    };
    if (!everyLineUsable(session.programFolder(), version)) return giveUp(DownloadOutcome::Failed);
    staged = std::make_unique<StagedUpdate>(session.programFolder());
    if (!staged->valid()) return giveUp(DownloadOutcome::Failed);

    for (size_t i = 0; i < count; ++i) {
        const UpdateFileLine& line = version.lines[i];
        session.screen.fileCounter = "(" + std::to_string(i + 1) + " de " + std::to_string(count) + ")";
        session.refresh();
        session.pause(kCounterPauseMs);
        if (session.leaveRequested()) return giveUp(DownloadOutcome::Left);

        // A subfolder that is not there fails the file before it is fetched.
        if (!openLineFolder(session.programFolder(), line).valid()) return giveUp(DownloadOutcome::Failed);
        // Files fetched before this one take their room on the same file system.
        const int64_t allowance = updateFileAllowance(staged->folderPath());
        if (allowance <= 0) return giveUp(DownloadOutcome::Failed);
        const std::string target = staged->downloadPath(i);
        const bool arrived = session.useTool() ? downloadWithTool(session, line.url(), target, allowance)
                                               : downloadWithService(session, line.url(), target, allowance);
        if (session.leaveRequested()) return giveUp(DownloadOutcome::Left);
        if (!arrived || fileSize(target) <= 0 || sha256OfFile(target) != line.sha256)
            return giveUp(DownloadOutcome::Failed);
    }
    return DownloadOutcome::Done;
}

}  // namespace tesselon

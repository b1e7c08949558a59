#include "cli/remote_source.h"

#include "cli/job_inputs.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "engine/remote_context_of.h"
#include "cli/remote_texts.h"
#include "cli/stopwatch.h"
#include "cli/terminal_frontend.h"
#include "cli/terminal_text.h"
#include "core/state.h"
#include "processing/batch/shard_share.h"
#include "runtime/fs/paths.h"
#include "runtime/text/ascii_text.h"
#include "settings/password.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

constexpr int kExitUsage = 2;
constexpr int kRetries = 2;

void printLine(std::FILE* err, const std::string& line) {
    std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(line).c_str());
}

// Answers the download's questions for a terminal: a failed file is retried twice, then
// skipped; the progress of the files goes to a progress line.
class DownloadAnswers : public TerminalFrontend {
public:
    DownloadAnswers(TerminalFrontend& outer, std::FILE* err, bool quiet, CancelToken& cancel,
                    std::function<bool()> stopAsked)
        : TerminalFrontend(err),
          outer_(outer),
          progress_(quiet ? nullptr : err),
          cancel_(cancel),
          stopAsked_(std::move(stopAsked)) {
        this->quiet = true;
    }

    // The scan and the download pump events between their steps: a stop asked then
    // (a watch's SIGTERM) ends them as the progress window's Cancelar would.
    void waitPumpingEvents(double) override { heedStop(); }
    void pumpOneEvent() override { heedStop(); }
    bool stopped() const { return stopped_; }

    MessageAnswer messageBox(std::string_view title, std::string_view text, MessageButtons buttons,
                             MessageIcon icon) override {
        return outer_.messageBox(title, text, buttons, icon);
    }
    void setStatusLine(bool hide, std::string_view text) override { outer_.setStatusLine(hide, text); }
    bool askTrustServer(const ServerIdentity& identity) override { return outer_.askTrustServer(identity); }
    void showConnectionTest(const ConnectionTestReport& report, bool silent) override {
        outer_.showConnectionTest(report, silent);
    }
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile& file) override {
        return file.attempt <= kRetries ? RetryAnswer::Retry : RetryAnswer::Skip;
    }
    void showRemoteProgress(const RemoteProgress& p) override {
        if (p.phase == RemotePhase::Downloading && p.index > 0 && p.bytes < 0) progress_.update(p.index - 1, p.total);
    }

private:
    void heedStop() {
        if (!stopped_ && stopAsked_ && stopAsked_()) stopped_ = true;
        // Raised again each time: the download clears the token as it starts.
        if (stopped_) cancel_.request();
    }

    TerminalFrontend& outer_;
    ProgressLine progress_;
    CancelToken& cancel_;
    std::function<bool()> stopAsked_;
    bool stopped_ = false;
};

}  // namespace

void applyRemoteOptions(const RemoteCliOptions& o, STRProcesosEntorno& env) {
    if (o.remote) env.LocalRemoto = std::string("R");
    if (o.server) env.servidor = *o.server;
    if (o.port) env.puerto = *o.port;
    if (o.user) env.usuario = *o.user;
    if (o.folder) env.RutaOrigenRemoto = *o.folder;
    if (o.passive) env.pasivo = *o.passive ? 1 : 0;
    if (o.downloadTo) env.RutaEnLocalDeRemotoDescargadas = withTrailingSeparator(*o.downloadTo);
    if (o.protocol) env.protocolo = *o.protocol;
    if (o.publish) env.carpetaPublicacion = *o.publish;
    // The FTP port left in the settings is not the SFTP server's.
    const RemoteProtocol protocol = remoteProtocolOf(env.protocolo);
    if (!o.port && std::string(trimSpaces(env.puerto)) == "21" && protocol == RemoteProtocol::Sftp)
        env.puerto = std::to_string(defaultPortOf(protocol));
}

RemoteFetch fetchRemoteSource(AppState& state, TerminalFrontend& ui, std::FILE* err, const CliOptions& options,
                              std::vector<ScanProblem>& problems, const std::function<bool()>& stopAsked) {
    using End = RemoteDownloadOutcome::End;
    STRProcesosEntorno& env = state.settings.entorno;
    RemoteFetch fetch;
    if (env.RutaEnLocalDeRemotoDescargadas.empty()) {
        printLine(err, "a remote source needs a download folder (--download-to DIR)");
        fetch.exitCode = kExitUsage;
        return fetch;
    }
    // Only in memory: a --save-config file never receives a password from the environment.
    if (const char* password = std::getenv(kFtpPasswordVariable)) env.password = protectPassword(password);

    DownloadAnswers answers(ui, err, options.quiet, *state.cancel, stopAsked);
    state.frontend = &answers;
    const Stopwatch scanClock;
    RemoteScanOutcome scan;
    scanImages(remoteContextOf(state), env, state.SourceImageList, env.imagenesRecursivo != 0, &problems, &scan);
    fetch.scanSeconds = scanClock.seconds();
    fetch.scannedFolder = scan.folder;
    if (std::any_of(scan.problems.begin(), scan.problems.end(),
                    [](const ScanProblem& p) { return p.kind == ScanProblem::Kind::RemoteScanDeadline; }))
        printLine(err, "the remote scan stopped at its time limit of " + std::to_string(scan.deadlineSeconds) +
                           " s (--scan-timeout); the images it found until then are fetched");
    // A failed connection was told already, by the front end.
    if (!scan.connection.ok() || scan.failure == RemoteFailure::FolderMissing) {
        state.frontend = &ui;
        if (scan.connection.ok()) printLine(err, "cannot enter the server's folder '" + scan.folder + "'");
        fetch.exitCode = kExitUsage;
        return fetch;
    }
    if (state.SourceImageList.empty() || answers.stopped()) {
        state.frontend = &ui;
        fetch.stopped = answers.stopped();
        return fetch;
    }
    const std::string folder = env.RutaEnLocalDeRemotoDescargadas;
    const Stopwatch downloadClock;
    RemoteDownloadOptions how;
    how.connections = options.remote.connections.value_or(kDefaultDownloadConnections);
    how.skipUnchanged = options.skipUnchanged;
    // Each shard fetches only the images it converts.
    if (options.shard) how.wanted = shareOfList(batchInputsOf(state), *options.shard);
    const RemoteDownloadOutcome download = downloadRemoteImages(remoteContextOf(state), env, state.SourceImageList, folder, {}, how);
    fetch.downloadSeconds = downloadClock.seconds();
    state.frontend = &ui;
    fetch.failed = download.skipped;
    fetch.downloaded = download.fetched;
    fetch.unchanged = download.unchanged;
    fetch.connections = download.connections;
    fetch.stopped = answers.stopped();
    if (download.cap != DownloadConnectionsCap::None)
        printLine(err, connectionsCapText(download.cap, size_t(how.connections)));
    switch (download.end) {
    case End::NoConnection: fetch.exitCode = kExitUsage; break;
    case End::FolderFailed:
        printLine(err, "cannot make the download folder '" + download.folder + "'");
        fetch.exitCode = kExitUsage;
        break;
    case End::SubfolderFailed:
        printLine(err, "cannot make the folder '" + download.folder + "' in the download folder; the download stopped");
        if (fetch.failed.empty()) fetch.exitCode = kExitUsage;
        break;
    default: break;
    }
    return fetch;
}

void explainFailedDownloads(const RemoteFetch& fetch, const SourceImageList& list, std::vector<std::string>& problems) {
    problems.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const SourceImageEntry& entry = list.entries[i];
        if (entry.saved != 0) continue;
        const auto failed = std::find_if(fetch.failed.begin(), fetch.failed.end(),
                                         [&entry](const FailedRemoteFile& f) { return f.path == entry.path; });
        if (failed != fetch.failed.end()) problems[i] = failedDownloadReason(*failed);
    }
}

}  // namespace tesselon

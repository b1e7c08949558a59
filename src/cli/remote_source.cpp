#include "cli/remote_source.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "cli/progress_line.h"
#include "cli/stopwatch.h"
#include "cli/terminal_frontend.h"
#include "cli/terminal_text.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "runtime/fs/paths.h"
#include "settings/password.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

constexpr int kExitUsage = 2;
constexpr int kRetries = 2;
constexpr const char* kFailedFileTitle = "Error de descarga de archivo";

std::string failedDownloadReason() { return "the download failed " + std::to_string(kRetries + 1) + " times"; }

// Answers the download's questions for a terminal: a failed file is retried twice, then
// skipped; the progress of the files goes to a progress line.
class DownloadAnswers : public TerminalFrontend {
public:
    DownloadAnswers(TerminalFrontend& outer, std::FILE* err, bool quiet)
        : TerminalFrontend(err), outer_(outer), err_(err), progress_(quiet ? nullptr : err) {
        this->quiet = true;
    }

    std::vector<std::string> failed;

    MessageAnswer messageBox(std::string_view title, std::string_view text, MessageButtons buttons,
                             MessageIcon icon) override {
        if (title != kFailedFileTitle) return outer_.messageBox(title, text, buttons, icon);
        const std::string path = quotedPath(text);
        if (++attempts_[path] <= kRetries) return MessageAnswer::Yes;
        failed.push_back(path);
        std::fprintf(err_, "tesselon-batch: skipped '%s': %s\n", terminalSafe(path).c_str(), failedDownloadReason().c_str());
        return MessageAnswer::No;
    }
    void setStatusLine(bool hide, std::string_view text) override {
        if (!hide && !text.empty()) lastStatus = text;
        outer_.setStatusLine(hide, text);
    }

    std::string lastStatus;
    void setProgressText(std::string_view text) override {
        size_t index = 0, total = 0;
        const size_t open = text.rfind('(');
        if (open != std::string_view::npos &&
            std::sscanf(std::string(text.substr(open)).c_str(), "(%zu de %zu)", &index, &total) == 2 && index > 0)
            progress_.update(index - 1, total);
    }

private:
    // The path between the first pair of single quotes of the failure question.
    static std::string quotedPath(std::string_view text) {
        const size_t open = text.find('\'');
        const size_t close = text.find("'\r\n", open + 1);
        if (open == std::string_view::npos || close == std::string_view::npos) return std::string(text);
        return std::string(text.substr(open + 1, close - open - 1));
    }

    TerminalFrontend& outer_;
    std::FILE* err_;
    ProgressLine progress_;
    std::map<std::string, int> attempts_;
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
}

RemoteFetch fetchRemoteSource(AppState& state, TerminalFrontend& ui, std::FILE* err, bool quiet,
                              std::vector<ScanProblem>& problems) {
    STRProcesosEntorno& env = state.settings.entorno;
    RemoteFetch fetch;
    if (env.RutaEnLocalDeRemotoDescargadas.empty()) {
        std::fprintf(err, "tesselon-batch: an FTP source needs a download folder (--download-to DIR)\n");
        fetch.exitCode = kExitUsage;
        return fetch;
    }
    // Only in memory: a --save-config file never receives a password from the environment.
    if (const char* password = std::getenv(kFtpPasswordVariable)) env.password = protectPassword(password);

    DownloadAnswers answers(ui, err, quiet);
    state.frontend = &answers;
    const Stopwatch scanClock;
    scanImages(state, env.imagenesRecursivo != 0, &problems);
    fetch.scanSeconds = scanClock.seconds();
    const bool folderMissing = std::any_of(problems.begin(), problems.end(), [](const ScanProblem& p) {
        return p.kind == ScanProblem::Kind::RemoteFolderNotEntered;
    });
    if (env.FtpID == 0 || folderMissing) {
        state.frontend = &ui;
        // A failed connection's message box is on the terminal already; the folder's
        // went to the status line, which --quiet keeps off it.
        if (env.FtpID != 0 && quiet)
            std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(oneLine(answers.lastStatus)).c_str());
        fetch.exitCode = kExitUsage;
        return fetch;
    }
    if (state.SourceImageList.empty()) {
        state.frontend = &ui;
        return fetch;
    }
    const std::string folder = env.RutaEnLocalDeRemotoDescargadas;
    const Stopwatch downloadClock;
    const std::string result = downloadRemoteImages(state, folder, {});
    fetch.downloadSeconds = downloadClock.seconds();
    state.frontend = &ui;
    fetch.failed = answers.failed;
    if (result.rfind("1|", 0) == 0) {
        std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(oneLine(result.substr(2))).c_str());
        if (fetch.failed.empty()) fetch.exitCode = kExitUsage;
    }
    return fetch;
}

void explainFailedDownloads(const RemoteFetch& fetch, const SourceImageList& list, std::vector<std::string>& problems) {
    problems.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const SourceImageEntry& entry = list.entries[i];
        if (entry.saved == 0 && std::find(fetch.failed.begin(), fetch.failed.end(), entry.path) != fetch.failed.end())
            problems[i] = failedDownloadReason();
    }
}

}  // namespace tesselon

#include "sources/remote_download.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/listed_names.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/fs/paths.h"
#include "sources/remote_fetcher.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

using End = RemoteDownloadOutcome::End;

class Download {
public:
    Download(AppState& state, const std::string& folder, FolderHandle root, RemoteFetcher& fetcher,
             RemoteDownloadOutcome& outcome)
        : state_(state),
          ui_(*state.frontend),
          folder_(withTrailingSeparator(folder)),
          root_(std::move(root)),
          fetcher_(fetcher),
          outcome_(outcome) {}

    // Steps through the list; ends on cancel or on a local folder that cannot be made.
    void run() {
        int8_t& cancelled = state_.settings.config.Cancelado;
        const auto& entries = state_.SourceImageList.entries;
        outcome_.end = End::Finished;
        for (size_t i = 0; i < entries.size() && !cancelled && outcome_.end == End::Finished; ++i) {
            const SourceImageEntry& entry = entries[i];
            const std::string target = downloadTarget(folder_, entry.path);
            RemoteProgress progress = progressAt(RemotePhase::Downloading, i + 1, entries.size());
            progress.size = entry.size;
            progress.name = entry.path;
            FileInFolder local;
            if (target.empty()) {
                // A path that would leave the download folder is never fetched.
                ui_.showRemoteProgress(progress);
                outcome_.skipped.push_back({entry.path, RemoteFailure::UnsafeName, 0});
            } else if (!(local = placeOf(target)).folder.valid()) {
                ui_.showRemoteProgress(progress);
                outcome_.end = End::SubfolderFailed;
                outcome_.folder = pathPart(target);
            } else {
                fetch(entry, local, progress);
            }
            ui_.waitPumpingEvents(20);
        }
        if (cancelled && outcome_.end == End::Finished) outcome_.end = End::Cancelled;
    }

private:
    // Where `target`, a path below folder_, is written: its folder made and entered from
    // the descriptor of folder_, so that a link on the way, planted before or during the
    // download, stops it before anything is made or written there.
    FileInFolder placeOf(const std::string& target) const {
        const size_t slash = target.rfind('/');
        const std::string_view below = std::string_view(target).substr(folder_.size(), slash - folder_.size());
        return {root_.beneath(below, true), target.substr(slash + 1)};
    }

    // One try; true when the file is in place.
    bool transfer(const SourceImageEntry& entry, const FileInFolder& target, RemoteProgress& progress) {
        progress.bytes = -1;
        ui_.showRemoteProgress(progress);
        if (!fetcher_.ready() || !fetcher_.start(entry.path, target, entry.size)) return false;
        for (;;) {
            ui_.waitPumpingEvents(1);
            const int64_t got = fetcher_.poll(1);
            if (got == kFetchDone) return true;
            if (got == kFetchFailed) return false;
            // A transfer that brings more bytes than listed keeps the bar where it was.
            if (got >= 0 && got <= entry.size) {
                progress.bytes = got;
                ui_.showRemoteProgress(progress);
            }
        }
    }

    void fetch(const SourceImageEntry& entry, const FileInFolder& target, RemoteProgress& progress) {
        int8_t& cancelled = state_.settings.config.Cancelado;
        for (int attempt = 1;; ++attempt) {
            if (transfer(entry, target, progress)) {
                ++outcome_.fetched;
                return;
            }
            const FailedRemoteFile failed{entry.path, fetcher_.failure(), attempt};
            switch (ui_.askRetryRemoteFile(failed)) {
            case RetryAnswer::Retry:
                if (cancelled) return;
                continue;
            case RetryAnswer::Skip: outcome_.skipped.push_back(failed); return;
            case RetryAnswer::Cancel:
                outcome_.skipped.push_back(failed);
                outcome_.cancelledOnFailure = true;
                cancelled = 1;
                return;
            }
        }
    }

    AppState& state_;
    Frontend& ui_;
    std::string folder_;
    FolderHandle root_;  // folder_, opened once
    RemoteFetcher& fetcher_;
    RemoteDownloadOutcome& outcome_;
};

// The origin question: a list made by a local scan is rescanned only when the user
// wants it.
bool listIsRemote(AppState& state, const std::function<void()>& refreshPreview) {
    STRProcesosEntorno& env = state.settings.entorno;
    Frontend& ui = *state.frontend;
    if (env.UltimoEscaneoImagenesLocalRemoto != "L") return true;
    const MessageAnswer answer = ui.messageBox(
        "Aviso",
        "El último escaneo de imágenes fue de una carpeta local.\r\n\r\n¿Quieres reescanear el nº de imágenes "
        "del servidor?\r\n(Si pulsas 'NO' la descarga será anulada)",
        MessageButtons::YesNo, MessageIcon::Warning);
    if (answer != MessageAnswer::Yes) return false;
    ui.setSourceChangedNotice(false);
    scanImages(state, env.imagenesRecursivo != 0);
    if (refreshPreview) refreshPreview();
    return true;
}

}  // namespace

std::string downloadChooserStart(const AppState& state) {
    const std::string& last = state.settings.entorno.RutaEnLocalDeRemotoDescargadas;
    return !last.empty() && last.front() == '/' && fileSize(last) == kFileIsFolder ? last : temporaryFolder();
}

std::string downloadTarget(const std::string& folder, const std::string& remotePath) {
    if (!isSafeListedPath(remotePath)) return {};
    std::string relative = remotePath.substr(1);
    if (relative.empty() || relative.back() == '/') return {};
    return withTrailingSeparator(folder) + relative;
}

RemoteDownloadOutcome downloadRemoteImages(AppState& state, const std::string& folder,
                                           const std::function<void()>& refreshPreview) {
    STRProcesosEntorno& env = state.settings.entorno;
    Frontend& ui = *state.frontend;
    RemoteDownloadOutcome outcome;
    if (env.LocalRemoto != "R") return outcome;

    if (!listIsRemote(state, refreshPreview)) {
        outcome.end = End::LastScanLocal;
        return outcome;
    }
    if (state.SourceImageList.empty()) {
        outcome.end = End::EmptyList;
        return outcome;
    }
    FolderHandle root = openOrCreateFolder(folder);
    if (!root.valid()) {
        outcome.end = End::FolderFailed;
        outcome.folder = folder;
        return outcome;
    }
    std::unique_ptr<RemoteFetcher> fetcher = openRemoteFetcher(state, outcome.connection);
    if (!fetcher) {
        outcome.end = End::NoConnection;
        return outcome;
    }

    env.RutaEnLocalDeRemotoDescargadas = folder;
    // Cleared before the progress window shows its Cancelar, which may be pressed at once.
    state.settings.config.Cancelado = 0;
    ui.showRemoteProgress(progressAt(RemotePhase::Downloading, 0, state.SourceImageList.size()));
    ui.setMainWindowEnabled(false);
    ui.waitPumpingEvents(50);

    Download(state, folder, root, *fetcher, outcome).run();
    fetcher.reset();  // the connection ends here

    ui.closeProgressWindow();
    ui.setMainWindowEnabled(true);
    ui.bringMainWindowToFront();
    ui.waitPumpingEvents(50);
    return outcome;
}

}  // namespace tesselon

#include "sources/remote_download.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "core/frontend.h"
#include "core/records.h"
#include "remote/listed_names.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/fs/paths.h"
#include "runtime/fs/regular_file.h"
#include "settings/remote_endpoint_of.h"
#include "sources/remote_fetcher.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

using End = RemoteDownloadOutcome::End;

constexpr size_t kIdle = SIZE_MAX;

// A file being fetched: where it goes, its try, and its progress as last shown.
struct FileInHand {
    size_t entry = kIdle;  // index in the list; kIdle when no file is in hand
    FileInFolder target;
    int attempt = 0;
    RemoteProgress progress;
};

// One connection of the download and the file in hand on it.
struct Connection : FileInHand {
    std::unique_ptr<RemoteFetcher> fetcher;  // null once the connection is lost for good
    bool busy() const { return entry != kIdle; }
    bool alive() const { return fetcher != nullptr; }
};

// The local copy is the server's file as listed: same size, same time to the second.
bool matchesServer(const SourceImageEntry& entry, const FileInFolder& local) {
    if (entry.modified == kUnknownTime || entry.size <= 0) return false;
    const OpenedFile opened = openRegularFile(local.folder, local.name, kMaxImageFileBytes);
    if (!opened.file) return false;
    constexpr int64_t kNsPerSecond = 1000000000;
    return int64_t(opened.file->size) == entry.size && opened.file->modifiedNs % kNsPerSecond == 0 &&
           opened.file->modifiedNs / kNsPerSecond == entry.modified;
}

// The file just put in place takes the server's time, so that the next run with
// --skip-unchanged finds it as the server has it.
void takeServerTime(const SourceImageEntry& entry, const FileInFolder& local) {
    if (entry.modified == kUnknownTime) return;
    const OpenedFile opened = openRegularFile(local.folder, local.name, kMaxImageFileBytes);
    if (!opened.file) return;
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(entry.modified), 0}};
    ::futimens(opened.file->fd.get(), times);
}

// Files are handed to the connections in list order; each connection fetches one at a
// time on its own worker while this thread polls them all. Questions about failed files
// are asked here, one at a time; the other transfers go on meanwhile and are collected
// after the answer.
class Download {
public:
    // `first`: the connection already open; more are opened, up to `connections`, while
    // files wait for them.
    Download(const RemoteContext& context, std::vector<SourceImageEntry>& entries, const RemoteEndpoint& endpoint, const std::string& folder, FolderHandle root,
             std::unique_ptr<RemoteFetcher> first, size_t connections, const RemoteDownloadOptions& options,
             RemoteDownloadOutcome& outcome)
        : context_(context),
          endpoint_(endpoint),
          ui_(context.frontend),
          entries_(entries),
          folder_(withTrailingSeparator(folder)),
          root_(std::move(root)),
          options_(options),
          outcome_(outcome),
          maxConnections_(connections) {
        // Never moved once made: shown_ points into it.
        connections_.reserve(connections);
        connections_.emplace_back().fetcher = std::move(first);
        outcome_.connections = 1;
        for (size_t i = 0; i < entries_.size(); ++i) total_ += wanted(i) ? 1 : 0;
    }

    // Ends when every file was gone through, on cancel, or on a local folder that cannot
    // be made (the files in hand then still end).
    void run() {
        const CancelToken& cancel = context_.cancel;
        outcome_.end = End::Finished;
        for (;;) {
            // Events between every round: Cancelar, and whatever happened since a file
            // ended, are seen before the next file is placed.
            ui_.waitPumpingEvents(1);
            if (cancel.requested()) {
                stopAll();
                break;
            }
            for (Connection& c : connections_) {
                if (c.alive() && !c.busy()) takeNextFile(c);
            }
            if (handedBack_.empty() &&
                std::none_of(connections_.begin(), connections_.end(), [](const Connection& c) { return c.busy(); }))
                break;
            openAnother();
            pollAll();
        }
        if (cancel.requested() && outcome_.end == End::Finished) outcome_.end = End::Cancelled;
    }

private:
    bool wanted(size_t i) const { return options_.wanted.empty() || (i < options_.wanted.size() && options_.wanted[i]); }
    bool stopped() const { return context_.cancel.requested() || outcome_.end != End::Finished; }

    // Where `target`, a path below folder_, is written: its folder made and entered from
    // the descriptor of folder_, so that a link on the way, planted before or during the
    // download, stops it before anything is made or written there.
    FileInFolder placeOf(const std::string& target) const {
        const size_t slash = target.rfind('/');
        // For a file at the server's top (a remote path of one part) the last "/" is
        // folder_'s own: the file goes straight into folder_.
        const size_t start = folder_.size();
        const std::string_view below =
            slash < start ? std::string_view() : std::string_view(target).substr(start, slash - start);
        return {root_.beneath(below, true), target.substr(slash + 1)};
    }

    // Hands `c` the next file that needs fetching; the files passed by on the way (unsafe
    // names, unchanged copies) are counted as they are met.
    void takeNextFile(Connection& c) {
        while (!stopped() && !handedBack_.empty()) {
            static_cast<FileInHand&>(c) = std::move(handedBack_.back());
            handedBack_.pop_back();
            begin(c);
            if (c.busy() || !c.alive()) return;
        }
        while (!stopped() && next_ < entries_.size()) {
            const size_t i = next_++;
            if (!wanted(i)) continue;
            const SourceImageEntry& entry = entries_[i];
            const std::string target = downloadTarget(folder_, entry.path);
            RemoteProgress progress = progressAt(RemotePhase::Downloading, ++begun_, total_);
            progress.size = entry.size;
            progress.name = entry.path;
            FileInFolder local;
            if (target.empty()) {
                // A path that would leave the download folder is never fetched.
                ui_.showRemoteProgress(progress);
                outcome_.skipped.push_back({entry.path, RemoteFailure::UnsafeName, 0});
            } else if (entry.notRegularFile) {
                // What a link leads to is the server's business, and a device or a FIFO
                // has no end: neither is an image file of the folder.
                ui_.showRemoteProgress(progress);
                outcome_.skipped.push_back({entry.path, RemoteFailure::NotRegularFile, 0});
            } else if (!(local = placeOf(target)).folder.valid()) {
                ui_.showRemoteProgress(progress);
                outcome_.end = End::SubfolderFailed;
                outcome_.folder = pathPart(target);
            } else if (options_.skipUnchanged && matchesServer(entry, local)) {
                ui_.showRemoteProgress(progress);
                ++outcome_.unchanged;
            } else {
                c.entry = i;
                c.target = std::move(local);
                c.attempt = 1;
                c.progress = std::move(progress);
                begin(c);
                if (c.busy() || !c.alive()) return;
            }
        }
    }

    // Starts the file in hand on `c`; one that cannot be started is asked about at once.
    void begin(Connection& c) {
        for (;;) {
            c.progress.bytes = -1;
            c.progress.index = begun_;  // a new try shows the count reached, never an older one
            ui_.showRemoteProgress(c.progress);
            shown_ = &c;
            const SourceImageEntry& entry = entries_[c.entry];
            const bool ready = c.fetcher->ready();
            if (!ready && liveConnections() > 1) {
                // This connection is lost for good; the others take its file, unasked.
                handedBack_.push_back(std::move(static_cast<FileInHand&>(c)));
                c.entry = kIdle;
                c.fetcher.reset();
                return;
            }
            if (ready && c.fetcher->start(entry.path, c.target, entry.size, options_.sizeBound)) return;
            if (!askAgain(c)) return;
        }
    }

    void pollAll() {
        bool waited = false;
        for (Connection& c : connections_) {
            if (!c.busy()) continue;
            // One short wait per round: a front end without windows would spin otherwise.
            const int64_t got = c.fetcher->poll(waited ? 0 : 1);
            waited = true;
            if (got == kFetchDone) {
                finish(c);
            } else if (got == kFetchFailed) {
                if (askAgain(c)) begin(c);
            } else if (got >= 0 && got <= c.progress.size && &c == shown_) {
                // The bar follows the file announced last; one that brings more bytes
                // than listed keeps it where it was.
                c.progress.bytes = got;
                ui_.showRemoteProgress(c.progress);
            }
        }
    }

    // The question about the failed file of `c`: true to try it again; otherwise the
    // file is left out (named once) and `c` is free. A file that passed its size bound
    // would pass it again, at the cost of as many bytes: it is left out unasked.
    bool askAgain(Connection& c) {
        CancelToken& cancel = context_.cancel;
        FailedRemoteFile failed{entries_[c.entry].path, c.fetcher->failure(), c.attempt};
        const bool overListed = failed.failure == RemoteFailure::LargerThanListed;
        if (overListed || failed.failure == RemoteFailure::OverSizeBound) {
            failed.bound = overListed ? entries_[c.entry].size : options_.sizeBound;
            outcome_.skipped.push_back(std::move(failed));
            c.entry = kIdle;
            return false;
        }
        switch (ui_.askRetryRemoteFile(failed)) {
        case RetryAnswer::Retry:
            if (!cancel.requested()) {
                ++c.attempt;
                return true;
            }
            break;
        case RetryAnswer::Skip: outcome_.skipped.push_back(failed); break;
        case RetryAnswer::Cancel:
            outcome_.skipped.push_back(failed);
            outcome_.cancelledOnFailure = true;
            cancel.request();
            break;
        }
        c.entry = kIdle;
        return false;
    }

    // One more connection while files wait and the server gives them; its setup goes on
    // while the transfers already started run.
    void openAnother() {
        if (stopped() || noMoreConnections_ || connections_.size() >= maxConnections_) return;
        if (next_ >= entries_.size() && handedBack_.empty()) return;
        RemoteConnectOutcome further;
        std::unique_ptr<RemoteFetcher> fetcher = openRemoteFetcher(context_, endpoint_, further, FetcherConnection::Further);
        // A server that allows no more: the download goes on with those it has.
        if (!fetcher) {
            noMoreConnections_ = true;
            return;
        }
        connections_.emplace_back().fetcher = std::move(fetcher);
        outcome_.connections = connections_.size();
    }

    size_t liveConnections() const {
        return size_t(std::count_if(connections_.begin(), connections_.end(), [](const Connection& c) { return c.alive(); }));
    }

    // Cancel: every transfer in hand stops at once; what it had written goes with it.
    // One that ended meanwhile is counted as what it is.
    void stopAll() {
        for (Connection& c : connections_) {
            if (!c.busy()) continue;
            if (c.fetcher->poll(0) == kFetchDone) {
                finish(c);
                continue;
            }
            c.fetcher->abort();
            c.entry = kIdle;
        }
    }

    void finish(Connection& c) {
        takeServerTime(entries_[c.entry], c.target);
        ++outcome_.fetched;
        c.entry = kIdle;
    }

    const RemoteContext& context_;
    const RemoteEndpoint& endpoint_;
    Frontend& ui_;
    const std::vector<SourceImageEntry>& entries_;
    std::string folder_;
    FolderHandle root_;  // folder_, opened once
    const RemoteDownloadOptions& options_;
    RemoteDownloadOutcome& outcome_;
    std::vector<Connection> connections_;
    std::vector<FileInHand> handedBack_;  // files of connections lost, for the others
    size_t maxConnections_;
    bool noMoreConnections_ = false;      // the server refused the last one asked for
    const Connection* shown_ = nullptr;  // the one whose file the progress window shows
    size_t total_ = 0;                   // files wanted
    size_t next_ = 0;                    // the next entry to look at
    size_t begun_ = 0;                   // wanted files looked at so far
};

// The origin question: a list made by a local scan is rescanned only when the user
// wants it.
bool listIsRemote(const RemoteContext& context, STRProcesosEntorno& env, SourceImageList& list,
                  const std::function<void()>& refreshPreview) {
    Frontend& ui = context.frontend;
    if (env.UltimoEscaneoImagenesLocalRemoto != "L") return true;
    const MessageAnswer answer = ui.messageBox(
        "Aviso",
        "El último escaneo de imágenes fue de una carpeta local.\r\n\r\n¿Quieres reescanear el nº de imágenes "
        "del servidor?\r\n(Si pulsas 'NO' la descarga será anulada)",
        MessageButtons::YesNo, MessageIcon::Warning);
    if (answer != MessageAnswer::Yes) return false;
    ui.setSourceChangedNotice(false);
    scanImages(context, env, list, env.imagenesRecursivo != 0);
    if (refreshPreview) refreshPreview();
    return true;
}

}  // namespace

std::string downloadChooserStart(const std::string& last) {
    return !last.empty() && last.front() == '/' && fileSize(last) == kFileIsFolder ? last : temporaryFolder();
}

std::string downloadTarget(const std::string& folder, const std::string& remotePath) {
    if (!isSafeListedPath(remotePath)) return {};
    std::string relative = remotePath.substr(1);
    if (relative.empty() || relative.back() == '/') return {};
    return withTrailingSeparator(folder) + relative;
}

RemoteDownloadOutcome downloadRemoteImages(const RemoteContext& context, STRProcesosEntorno& env,
                                           SourceImageList& list, const std::string& folder,
                                           const std::function<void()>& refreshPreview,
                                           const RemoteDownloadOptions& options) {
    Frontend& ui = context.frontend;
    RemoteDownloadOutcome outcome;
    if (sourceKindOf(env) != SourceKind::Remote) return outcome;

    if (!listIsRemote(context, env, list, refreshPreview)) {
        outcome.end = End::LastScanLocal;
        return outcome;
    }
    if (list.empty()) {
        outcome.end = End::EmptyList;
        return outcome;
    }
    FolderHandle root = openOrCreateFolder(folder);
    if (!root.valid()) {
        outcome.end = End::FolderFailed;
        outcome.folder = folder;
        return outcome;
    }
    const RemoteEndpoint endpoint = remoteEndpointOf(env);
    std::unique_ptr<RemoteFetcher> first = openRemoteFetcher(context, endpoint, outcome.connection);
    if (!first) {
        outcome.end = End::NoConnection;
        return outcome;
    }
    const size_t wanted = options.wanted.empty()
                              ? list.size()
                              : size_t(std::count_if(options.wanted.begin(), options.wanted.end(),
                                                     [](char w) { return w != 0; }));
    const size_t connections = downloadConnections(
        endpoint,
        std::clamp<size_t>(size_t(std::clamp(options.connections, 1, kMaxDownloadConnections)), 1,
                           std::max<size_t>(wanted, 1)),
        outcome.cap);

    env.RutaEnLocalDeRemotoDescargadas = folder;
    // Cleared before the progress window shows its Cancelar, which may be pressed at once.
    context.cancel.clear();
    ui.showRemoteProgress(progressAt(RemotePhase::Downloading, 0, wanted));
    ui.setMainWindowEnabled(false);
    ui.waitPumpingEvents(50);

    Download(context, list.entries, endpoint, folder, root, std::move(first), connections, options, outcome).run();  // the connections end here
    // What the scan left and this download did not need holds the server's slots for
    // nothing, unless a watch's next poll takes it again.
    if (!context.keepConnections) context.sessions.spares.clear();

    ui.closeProgressWindow();
    ui.setMainWindowEnabled(true);
    ui.bringMainWindowToFront();
    ui.waitPumpingEvents(50);
    return outcome;
}

}  // namespace tesselon

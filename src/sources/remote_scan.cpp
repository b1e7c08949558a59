#include "sources/remote_scan.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

#include "core/frontend.h"
#include "remote/listed_names.h"
#include "runtime/text/ascii_text.h"
#include "sources/extension_filter.h"
#include "sources/kept_connections.h"
#include "remote/listing_pool.h"
#include "sources/check_connection.h"
#include "sources/open_remote_client.h"
#include "sources/remote_download.h"
#include "sources/remote_fetcher.h"
#include "sources/sftp_source.h"

namespace tesselon {

namespace {

using Kind = ScanProblem::Kind;

// The accepted files of one folder until its subfolders are done: names one after
// another, so a folder of a million files costs little more than their names.
struct FolderFiles {
    std::string names;  // each followed by a NUL, which no accepted name holds
    std::vector<int64_t> sizes;
    std::vector<int64_t> times;
};

std::string withoutTrailingSlash(std::string path) {
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string stripSlashes(std::string_view path) {
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

Kind listingProblem(FtpListOutcome outcome) {
    switch (outcome) {
    case FtpListOutcome::LineTooLong: return Kind::RemoteListingLineTooLong;
    case FtpListOutcome::Cut: return Kind::RemoteListingCut;
    default: return Kind::RemoteListingRefused;
    }
}

Kind nameProblem(ListedNameProblem problem) {
    switch (problem) {
    case ListedNameProblem::Absolute: return Kind::RemoteNameAbsolute;
    case ListedNameProblem::Separator: return Kind::RemoteNameSeparator;
    case ListedNameProblem::ControlCharacter: return Kind::RemoteNameControlCharacter;
    case ListedNameProblem::PathTooLong: return Kind::RemotePathTooLong;
    default: return Kind::RemoteNameClimbsOut;
    }
}

// One folder of the walk: its accepted files until the walk is done (the files of its
// subfolders come first in the list), its subfolders and what was met there.
struct FolderNode {
    FolderFiles files;
    std::string prefix;                 // its current path and "/"
    std::vector<size_t> children;       // nodes of its subfolders, in the listing's order
    std::vector<ScanProblem> problems;  // met here, before those of its subfolders
};

// A folder for a session to list.
struct FolderJob {
    size_t node = 0;
    std::string path;  // the scanned folder: as given, from the session's folder; a subfolder: its full path
    std::string where;  // how problems name it
    int depth = 0;
    // Listed with all the bounds have left, alone: its listing passed the share it had
    // while others ran.
    bool whole = false;
};

using SessionPool = ListingPool<FtpClient, FolderJob>;

// The walk's books, kept by whichever session has a listing to add under one lock:
// the sessions wait on the server, not on each other. The thread that started the walk
// shows its progress and hears Cancelar.
class RemoteWalk {
public:
    RemoteWalk(const RemoteContext& context, const std::string& extensionList, bool skipFolders, bool recursive,
               RemoteScanOutcome& report, const RemoteScanLimits& limits, size_t sessions)
        : context_(context),
          filter_(extensionList),
          skipFolders_(skipFolders),
          recursive_(recursive),
          report_(report),
          limits_(limits),
          sessions_(std::max<size_t>(sessions, 1)),
          entriesLeft_(limits.maxEntries),
          bytesLeft_(limits.maxPathBytes) {
        if (context.imagesFound) found_ = *context.imagesFound;
    }

    void run(std::vector<SessionPool::Open> sessions, const std::string& folder, std::vector<SourceImageEntry>& list) {
        nodes_.emplace_back();
        {
            SessionPool pool(std::move(sessions), [this](FtpClient& client, FolderJob& job) { return visit(client, job); });
            pool_ = &pool;
            // The first session stands where the folder is entered from (the connection
            // check entered it); the others are in the server's login folder.
            pool.submitTo(0, FolderJob{0, folder, report_.folder, 0, false});
            watch(pool);
            pool_ = nullptr;
        }
        if (context_.imagesFound) *context_.imagesFound = found_;
        emit(0, list);
    }

private:
    using Kind = ScanProblem::Kind;

    bool halted() const { return report_.stopped || deadlineReached_; }
    void problem(FolderNode& node, Kind kind, std::string path) { node.problems.push_back(ScanProblem{kind, std::move(path)}); }
    void stop(FolderNode& node, Kind kind, const std::string& where) {
        if (report_.stopped) return;
        problem(node, kind, where);
        report_.stopped = true;
    }
    void stopAtDeadline(FolderNode& node, const std::string& where) {
        stop(node, Kind::RemoteScanDeadline, where);
        deadlineReached_ = true;
    }
    // Whether the scan's time is up, which stops it.
    bool pastDeadline(FolderNode& node, const std::string& where) {
        if (deadlineReached_) return true;
        if (!limits_.deadline || std::chrono::steady_clock::now() < *limits_.deadline) return false;
        stopAtDeadline(node, where);
        return true;
    }
    // Counts `bytes` of path text against the scan's bound; false (and stopped) when
    // they do not fit.
    bool charge(FolderNode& node, uint64_t bytes, const std::string& where) {
        if (bytes > bytesLeft_) {
            stop(node, Kind::RemotePathTextLimit, where);
            return false;
        }
        bytesLeft_ -= bytes;
        return true;
    }
    // A session that lost step with its server answers nothing more. Its folder goes to
    // another session while one is left; with none the scan ends, rather than take every
    // later folder for one that cannot be entered.
    void sessionLost(FolderNode& node, const std::string& where) {
        problem(node, Kind::RemoteConnectionLost, where);
        report_.stopped = true;
    }
    // What a listing may bring while the others run: an equal part of what is left.
    template <class T>
    T share(T left, const FolderJob& job) const {
        return job.whole ? left : left / T(sessions_);
    }

    // Runs on a session's worker: enters, lists and books one folder. False once the
    // session is no use any more.
    bool visit(FtpClient& client, FolderJob& job) {
        std::unique_lock lock(mutex_);
        if (halted() || pastDeadline(nodes_[job.node], job.where)) return true;
        lock.unlock();
        const std::string folder = withoutTrailingSlash(job.path);
        const bool entered = job.depth == 0 ? changeRemotePath(client, folder) : client.changeDir(folder);
        const bool lost = !entered && job.depth > 0 && !client.usable();
        const std::string current = lost ? std::string() : client.currentDir();
        lock.lock();
        FolderNode& node = nodes_[job.node];
        if (lost) return handOn(node, job);
        if (!entered && current != folder) {
            if (job.depth == 0) {
                problem(node, Kind::RemoteFolderNotEntered, folder);
                rootFailure_ = RemoteFailure::FolderMissing;
            }
            return true;
        }
        // A server may answer a folder with one already scanned (a folder that lists
        // itself, a link to a parent): scanning it again would never end.
        if (!current.empty() && !visited_.insert(current).second) return true;
        // A server that says it is somewhere no local path can be (the names leading
        // there were short enough) is not listed.
        if (current.size() > kMaxListedPathBytes) {
            problem(node, Kind::RemotePathTooLong, job.where);
            if (job.depth == 0) rootFailure_ = RemoteFailure::UnsafeName;
            return true;
        }
        if (!charge(node, current.size(), job.where)) return true;
        const FtpListBounds bounds{share(entriesLeft_, job), share(bytesLeft_, job), limits_.deadline};
        lock.unlock();

        const FtpListOutcome listed = client.listHere(bounds);
        const bool failed = listed != FtpListOutcome::Complete && listed != FtpListOutcome::TooManyLines &&
                            listed != FtpListOutcome::TooMuchText && listed != FtpListOutcome::PastDeadline;
        const bool usable = !failed || job.depth == 0 || client.usable();
        lock.lock();
        if (listed == FtpListOutcome::PastDeadline) {
            // A listing cut at the deadline left the session out of step: nothing more is asked.
            stopAtDeadline(node, job.where);
            return false;
        }
        if (failed) {
            problem(node, listingProblem(listed), job.where);
            if (job.depth == 0) rootFailure_ = RemoteFailure::ListingFailed;
            if (!usable && !pool_->othersRemain()) sessionLost(node, job.where);
            return usable;
        }
        // Past its share but not past what is left: listed again alone, as a single
        // session would have.
        if ((listed == FtpListOutcome::TooManyLines && bounds.maxLines < entriesLeft_) ||
            (listed == FtpListOutcome::TooMuchText && bounds.maxNameBytes < bytesLeft_)) {
            visited_.erase(current);
            bytesLeft_ += current.size();
            job.whole = true;
            deferred_.push_back(job);
            return true;
        }
        if (listed == FtpListOutcome::TooManyLines) stop(node, Kind::RemoteEntryLimit, job.where);
        if (listed == FtpListOutcome::TooMuchText) stop(node, Kind::RemotePathTextLimit, job.where);
        book(client, node, job, current);
        return true;
    }

    // The session broke on its way to the folder: another one takes it.
    bool handOn(FolderNode& node, FolderJob& job) {
        if (pool_->othersRemain()) {
            pool_->submit(job);
        } else {
            sessionLost(node, job.where);
        }
        return false;
    }

    // The entries of the listing just made: accepted files, problems, subfolders handed
    // to the sessions.
    void book(FtpClient& client, FolderNode& node, const FolderJob& job, const std::string& current) {
        // Without a trustworthy current folder no entry has a full path that stays below
        // the download folder.
        const bool pathSafe = isSafeListedPath(current);
        bool unsafeFolderNamed = false;
        node.prefix = (current == "/" ? "" : current) + "/";
        if (job.depth == 0) rootCurrent_ = current;
        std::vector<std::string> subfolders;
        client.forEachListed([&](const FtpListEntry& entry) {
            if (entriesLeft_ > 0) --entriesLeft_;
            const std::string& name = entry.name;
            if (name == "." || name == "..") return true;
            // Every entry listed costs its path, kept or not: the listing held it.
            if (!charge(node, listedPathLength(current, name), job.where)) return false;
            if (!pathSafe) {
                if (!std::exchange(unsafeFolderNamed, true))
                    problem(node, Kind::RemoteFolderUnsafe, current.empty() ? job.where : current);
                ++report_.skippedNames;
                return true;
            }
            if (const ListedNameProblem p = listedNameProblem(current, name); p != ListedNameProblem::None) {
                ++report_.skippedNames;
                problem(node, nameProblem(p), node.prefix + name);
                return true;
            }
            const bool directory = entry.type == kFtpEntryDirectory;
            if (directory ? !skipFolders_ : filter_.accepts(name)) {
                node.files.names += name;
                node.files.names += '\0';
                node.files.sizes.push_back(entry.size);
                node.files.times.push_back(entry.modified == kNoListedTime ? kUnknownTime : entry.modified);
                ++found_;
                lastFound_ = name;
            }
            if (directory) subfolders.push_back(name);
            return true;
        });
        for (const std::string& name : subfolders) {
            if (!recursive_ || halted()) break;
            const size_t child = nodes_.size();
            nodes_[job.node].children.push_back(child);
            FolderNode& added = nodes_.emplace_back();
            if (job.depth >= limits_.maxDepth) {
                problem(added, Kind::RemoteTooDeep, nodes_[job.node].prefix + name);
                continue;
            }
            const std::string path = nodes_[job.node].prefix + name;
            wentBelow_ = true;
            pool_->submit(FolderJob{child, path, path, job.depth + 1, false});
        }
    }

    // Waits for the sessions, showing what they found, until every folder is done;
    // Cancelar stops the walk at the listings in hand.
    void watch(SessionPool& pool) {
        int64_t shown = found_;
        for (;;) {
            const bool settled = pool.settle(std::chrono::milliseconds(20));
            std::unique_lock lock(mutex_);
            if (found_ != shown) {
                shown = found_;
                if (context_.imagesFound) *context_.imagesFound = found_;
                RemoteProgress progress;
                progress.found = size_t(found_);
                progress.name = lastFound_;
                lock.unlock();
                context_.frontend.showRemoteProgress(progress);
                lock.lock();
            }
            lock.unlock();
            context_.frontend.pumpOneEvent();
            lock.lock();
            if (context_.cancel.requested() && !report_.stopped) {
                report_.stopped = true;
                pool.drop();
            }
            if (!settled) continue;
            for (FolderJob& job : pool.stranded()) {
                if (!report_.stopped) sessionLost(nodes_[job.node], job.where);
            }
            if (deferred_.empty() || halted()) break;
            pool.submit(std::move(deferred_.front()));
            deferred_.erase(deferred_.begin());
        }
    }

    // The walk's result in the order one session going depth first gives: in each
    // folder the files of its subfolders (each complete) and then its own, and the
    // problems in the order such a walk meets them.
    void emit(size_t index, std::vector<SourceImageEntry>& list) {
        FolderNode& node = nodes_[index];
        report_.problems.insert(report_.problems.end(), std::make_move_iterator(node.problems.begin()),
                                std::make_move_iterator(node.problems.end()));
        for (const size_t child : node.children) emit(child, list);
        FolderFiles& files = node.files;
        // Room for the folder's files at once: a folder of a million files must not leave
        // the list at twice its size while it grows.
        if (list.capacity() < list.size() + files.sizes.size())
            list.reserve(std::max(list.size() + files.sizes.size(), list.capacity() + list.capacity() / 2));
        size_t start = 0;
        for (size_t i = 0; i < files.sizes.size(); ++i) {
            const size_t end = files.names.find('\0', start);
            SourceImageEntry& entry = list.emplace_back();
            entry.path = node.prefix;
            entry.path.append(files.names, start, end - start);
            entry.size = files.sizes[i];
            entry.modified = files.times[i];
            start = end + 1;
        }
        files = FolderFiles();
    }

public:
    RemoteFailure rootFailure_ = RemoteFailure::None;
    std::string rootCurrent_;  // where the scanned folder turned out to be
    bool wentBelow_ = false;   // some session entered a subfolder

private:
    const RemoteContext& context_;
    const ExtensionFilter filter_;
    const bool skipFolders_;
    const bool recursive_;
    RemoteScanOutcome& report_;
    const RemoteScanLimits limits_;
    const size_t sessions_;
    std::mutex mutex_;
    SessionPool* pool_ = nullptr;  // while the sessions run
    size_t entriesLeft_;
    uint64_t bytesLeft_;  // of path text
    std::unordered_set<std::string> visited_;  // current paths scanned so far
    bool deadlineReached_ = false;
    std::deque<FolderNode> nodes_;  // a deque: a node stays where it is while others are added
    std::vector<FolderJob> deferred_;
    int64_t found_ = 0;  // images accepted, counting on from the context's count
    std::string lastFound_;
};
// The session the last poll of a watch left under FtpID, back in the scanned folder as
// the connection check would leave a fresh one; nothing when it no longer answers.
ConnectionCheck takeKeptScanSession(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                    const std::string& key) {
    ConnectionCheck kept;
    std::unique_ptr<FtpClient> client =
        takeKeptFtpSession(context, key, endpoint.protocol == RemoteProtocol::Ftps);
    if (!client) return kept;
    kept.report.connection = spareOutcome(endpoint);
    kept.report.folder = std::string(trimSpaces(endpoint.folder));
    kept.report.folderValid = kept.report.folder.empty() || client->changeDir(kept.report.folder);
    kept.handle = context.keptSession;
    kept.client = std::move(client);
    return kept;
}

}  // namespace

bool changeRemotePath(FtpClient& client, std::string_view path) {
    const size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos) return client.changeDir(path);
    return changeRemotePath(client, stripSlashes(path.substr(0, last))) && client.changeDir(path.substr(last + 1));
}

void scanRemoteFolder(const RemoteContext& context, FtpID id, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits) {
    std::shared_ptr<FtpSession> session = context.sessions.find(id);
    if (!session) return;
    FtpClient client(std::move(session), false);
    scanRemoteFolder(context, client, list, folder, skipFolders, extensionList, recursive, outcome, limits);
}

void scanRemoteFolder(const RemoteContext& context, FtpClient& client, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits) {
    scanRemoteFolder(context, {[&client] { return &client; }}, list, folder, skipFolders, extensionList, recursive, outcome,
                     limits, &client);
}

void scanRemoteFolder(const RemoteContext& context, std::vector<std::function<FtpClient*()>> sessions,
                      std::vector<SourceImageEntry>& list, const std::string& folder, bool skipFolders,
                      const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits, FtpClient* first) {
    outcome.entryLimit = limits.maxEntries;
    outcome.depthLimit = limits.maxDepth;
    outcome.pathTextLimit = limits.maxPathBytes;
    outcome.pathLengthLimit = kMaxListedPathBytes;
    outcome.folder = withoutTrailingSlash(folder);
    RemoteWalk walk(context, extensionList, skipFolders, recursive, outcome, limits, sessions.size());
    walk.run(std::move(sessions), folder, list);
    outcome.failure = walk.rootFailure_;
    // The first session ends in the scanned folder, where the connection window finds
    // it, whichever folder it listed last.
    if (first && walk.wentBelow_ && !walk.rootCurrent_.empty() && !outcome.stopped) first->changeDir(walk.rootCurrent_);
}

RemoteScanOutcome scanRemoteSource(const RemoteContext& context, const RemoteEndpoint& endpoint, std::vector<SourceImageEntry>& found,
                                   const std::string& extensionList, bool recursive) {
    if (endpoint.protocol == RemoteProtocol::Sftp) return scanSftpSource(context, endpoint, found, extensionList, recursive);
    std::string root = endpoint.folder;
    if (root.empty() || (root.back() != '/' && root.back() != '\\')) root += "/";
    context.frontend.setStatusLine(true, "");

    const std::string key = spareKeyOf(context, endpoint);
    ConnectionCheck opened = context.keepConnections ? takeKeptScanSession(context, endpoint, key) : ConnectionCheck{};
    if (!opened.client) {
        // The sessions of an earlier scan are ended first: left open, each rescan would
        // hold more connections until the server's limit refuses the next. Those a
        // watch keeps are taken again instead.
        ftpClose(context.sessions, context.keptSession);
        if (context.keepConnections) context.sessions.spares.keepOnly(key);
        else context.sessions.spares.clear();
        opened = checkConnection(context, endpoint, ConnectionCheckOptions{true, true, false});
        context.keptSession = opened.handle;
        context.sessions.spares.noteKept(opened.handle, key);
    }
    RemoteScanOutcome outcome;
    outcome.connection = std::move(opened.report.connection);
    outcome.deadlineSeconds = context.scanSeconds;
    RemoteScanLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(context.scanSeconds);
    auto* client = dynamic_cast<FtpClient*>(opened.client.get());
    if (!client) return outcome;
    // The further sessions log in on their workers while the first lists the folder;
    // the download takes them over afterwards.
    DownloadConnectionsCap cap = DownloadConnectionsCap::None;
    const size_t count = downloadConnections(
        endpoint, size_t(std::clamp(context.connections, 1, kMaxDownloadConnections)), cap);
    std::vector<std::optional<FtpClient>> further(count - 1);
    std::vector<std::function<FtpClient*()>> sessions{[client] { return client; }};
    for (std::optional<FtpClient>& slot : further) {
        sessions.push_back([&context, &endpoint, &slot, &key]() -> FtpClient* {
            if (context.keepConnections) slot = takeSpareFtp(context, key);
            if (slot) return &*slot;
            RemoteConnectOutcome ignored;
            slot = openFtpClient(context, endpoint, ignored, false);
            return slot ? &*slot : nullptr;
        });
    }
    scanRemoteFolder(context, std::move(sessions), found, root, true, extensionList, recursive, outcome, limits, client);
    for (std::optional<FtpClient>& slot : further) {
        if (slot) context.sessions.spares.keep(key, std::make_unique<FtpClient>(std::move(*slot)));
    }
    return outcome;
}

}  // namespace tesselon

#include "remote/sftp/sftp_scan.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <unordered_set>

#include "remote/listing_pool.h"

namespace tesselon {

namespace {

// One folder of the walk: its files until the walk is done (the files of its
// subfolders come first), its subfolders and what was met on the way in and there.
struct FolderNode {
    std::vector<SftpScanFile> files;
    std::vector<size_t> children;  // in the order its listing is taken
    std::vector<SftpScanProblem> problems;
};

// A folder for a connection to resolve and list: the root (`parent` empty) or a
// subfolder by its name in the canonical path `parent`.
struct FolderJob {
    size_t node = 0;
    std::string parent;
    std::string name;
    int depth = 0;
    // Listed with all the bounds have left, alone: its listing passed the share it had
    // while others ran.
    bool whole = false;
};

using ConnectionPool = ListingPool<SftpConnection, FolderJob>;

// The walk's books, kept under one lock by whichever connection has something to add;
// the connections wait on the server, not on each other, and the calling thread tells
// of the files found.
class Walk {
public:
    Walk(const SftpScanOptions& options, SftpScanResult& result, size_t connections)
        : options_(options), result_(result), connections_(std::max<size_t>(connections, 1)) {}

    void run(std::vector<ConnectionPool::Open> opens, const std::string& root) {
        nodes_.emplace_back();
        std::vector<SftpConnection*> used(opens.size(), nullptr);
        for (size_t i = 0; i < opens.size(); ++i) {
            opens[i] = [this, open = std::move(opens[i]), &slot = used[i]]() -> SftpConnection* {
                SftpConnection* connection = open ? open() : nullptr;
                if (connection && options_.deadline) connection->limitOperationsTo(*options_.deadline);
                slot = connection;
                return connection;
            };
        }
        {
            ConnectionPool pool(std::move(opens),
                                [this](SftpConnection& connection, FolderJob& job) { return visit(connection, job); });
            pool_ = &pool;
            pool.submit(FolderJob{0, {}, root, 0, false});
            watch(pool);
            pool_ = nullptr;
        }
        for (SftpConnection* connection : used) {
            if (connection) connection->limitOperationsTo(std::chrono::steady_clock::time_point::max());
        }
        emit(0);
    }

private:
    void problem(FolderNode& node, const std::string& folder, const std::string& name, SftpFailure failure,
                 ListedNameProblem nameProblem = ListedNameProblem::None) {
        node.problems.push_back({folder, name, failure, nameProblem});
    }

    // The first reason to stop is the one told.
    void stop(SftpFailure reason, const std::string& where, SftpScanLimit limit = SftpScanLimit::None) {
        if (result_.stopped) return;
        result_.stopped = true;
        result_.stopReason = reason;
        result_.limit = limit;
        result_.stoppedIn = where;
    }

    // Whether the walk's time is up (which stops it); an operation that failed just
    // then was cut short by the deadline, not by the server.
    bool reachedDeadline(const std::string& where) {
        if (!options_.deadline || std::chrono::steady_clock::now() < *options_.deadline) return false;
        stop(SftpFailure::TimedOut, where, SftpScanLimit::Deadline);
        return true;
    }

    // Counts `bytes` of path text against the walk's bound; false (and stopped) when
    // they do not fit.
    bool charge(uint64_t bytes, const std::string& where) {
        if (bytes > options_.maxPathBytes - std::min(options_.maxPathBytes, bytes_)) {
            stop(SftpFailure::OverBound, where, SftpScanLimit::PathBytes);
            return false;
        }
        bytes_ += bytes;
        return true;
    }

    // The connection broke: another one takes the folder while one is left; with none
    // the walk ends.
    bool lost(FolderJob& job, SftpFailure failure, const std::string& where) {
        if (pool_->othersRemain()) {
            pool_->submit(job);
        } else {
            if (job.depth > 0) problem(nodes_[job.node], where, {}, failure);
            stop(failure, where);
        }
        return false;
    }

    static std::string child(const std::string& folder, const std::string& name) {
        return (folder == "/" ? "" : folder) + "/" + name;
    }

    // Runs on a connection's worker: resolves, lists and books one folder. False once
    // the connection is no use any more.
    bool visit(SftpConnection& connection, FolderJob& job) {
        const bool root = job.depth == 0;
        const std::string path = root ? job.name : child(job.parent, job.name);
        std::unique_lock lock(mutex_);
        if (result_.stopped || reachedDeadline(path)) return true;
        lock.unlock();
        const SftpPath canonical = connection.canonicalPath(root && path.empty() ? "." : path);
        lock.lock();
        FolderNode& node = nodes_[job.node];
        if (canonical.failure != SftpFailure::None) {
            if (reachedDeadline(path)) return true;
            if (!connection.usable()) return lost(job, canonical.failure, path);
            if (root) {
                result_.failure = canonical.failure;
            } else {
                problem(node, path, {}, canonical.failure);
            }
            return true;
        }
        if (!isSafeListedPath(canonical.path)) {
            if (root) {
                result_.failure = SftpFailure::UnsafeName;
            } else {
                problem(node, path, {}, SftpFailure::UnsafeName);
            }
            return true;
        }
        // A folder the server resolves to a path past the bound is refused like a name
        // that makes one.
        if (canonical.path.size() > kMaxListedPathBytes) {
            if (root) {
                result_.failure = SftpFailure::UnsafeName;
            } else {
                problem(node, job.parent, job.name, SftpFailure::UnsafeName, ListedNameProblem::PathTooLong);
            }
            return true;
        }
        const std::string& folder = canonical.path;
        if (root) {
            result_.root = folder;
        } else if (visited_.count(folder)) {
            // A folder reached again (a server that lists a folder inside itself) is
            // not walked twice.
            return true;
        }
        if (!charge(folder.size(), path)) return true;
        visited_.insert(folder);
        if (reachedDeadline(folder)) return true;
        const size_t room = options_.maxEntries - std::min(options_.maxEntries, entries_);
        const uint64_t byteRoom = options_.maxPathBytes - std::min(options_.maxPathBytes, bytes_);
        const size_t roomShare = job.whole ? room : room / connections_;
        const uint64_t byteShare = job.whole ? byteRoom : byteRoom / connections_;
        lock.unlock();

        SftpListing listing = connection.list(folder, roomShare, byteShare);
        lock.lock();
        if (listing.failure == SftpFailure::OverBound) {
            // Past its share but not past what is left: listed again alone, as a single
            // connection would have.
            const size_t roomNow = options_.maxEntries - std::min(options_.maxEntries, entries_);
            const uint64_t bytesNow = options_.maxPathBytes - std::min(options_.maxPathBytes, bytes_);
            if (!job.whole && (roomShare < roomNow || byteShare < bytesNow)) {
                visited_.erase(folder);
                bytes_ -= folder.size();
                job.whole = true;
                deferred_.push_back(job);
                return true;
            }
            entries_ += listing.entries.size();
            stop(SftpFailure::OverBound, folder,
                 listing.entries.size() >= roomShare ? SftpScanLimit::Entries : SftpScanLimit::PathBytes);
        } else if (listing.failure != SftpFailure::None) {
            if (reachedDeadline(folder)) return true;
            const bool usable = connection.usable();
            if (!usable && !root && pool_->othersRemain()) {
                problem(node, folder, {}, listing.failure);
                return false;
            }
            if (!usable) stop(listing.failure, folder);
            if (root) {
                result_.failure = listing.failure;
            } else {
                problem(node, folder, {}, listing.failure);
            }
            return usable;
        } else {
            entries_ += listing.entries.size();
        }
        book(node, job, folder, listing);
        return true;
    }

    void book(FolderNode& node, const FolderJob& job, const std::string& folder, const SftpListing& listing) {
        std::vector<std::string> subfolders;
        for (auto entry = listing.entries.rbegin(); entry != listing.entries.rend(); ++entry) {
            if (entry->name == "." || entry->name == "..") continue;
            // Every entry listed costs its path, kept or not: the listing held it.
            if (!charge(listedPathLength(folder, entry->name), folder)) break;
            const ListedNameProblem nameProblem = listedNameProblem(folder, entry->name);
            if (nameProblem != ListedNameProblem::None) {
                problem(node, folder, entry->name, SftpFailure::UnsafeName, nameProblem);
                continue;
            }
            if (entry->kind == SftpEntryKind::Folder) {
                subfolders.push_back(entry->name);
            } else if (!options_.accept || options_.accept(entry->name)) {
                node.files.push_back({child(folder, entry->name), entry->size, entry->modified, entry->kind});
                if (options_.found) untold_.push_back(entry->name);
            }
        }
        for (const std::string& name : subfolders) {
            if (!options_.recursive || result_.stopped) break;
            const size_t index = nodes_.size();
            node.children.push_back(index);
            FolderNode& added = nodes_.emplace_back();
            if (job.depth + 1 > options_.maxDepth) {
                problem(added, child(folder, name), {}, SftpFailure::OverBound);
                continue;
            }
            pool_->submit(FolderJob{index, folder, name, job.depth + 1, false});
        }
    }

    // Waits for the connections, telling of the files found, until every folder is done.
    void watch(ConnectionPool& pool) {
        size_t told = 0;
        for (;;) {
            const bool settled = pool.settle(std::chrono::milliseconds(20));
            std::unique_lock lock(mutex_);
            if (!untold_.empty()) {
                std::vector<std::string> names;
                names.swap(untold_);
                lock.unlock();
                for (const std::string& name : names) options_.found(name, ++told);
                lock.lock();
            }
            if (options_.stopRequested) {
                lock.unlock();
                const bool stopNow = options_.stopRequested();
                lock.lock();
                if (stopNow && !result_.stopped) {
                    result_.stopped = true;
                    result_.stopReason = SftpFailure::Cancelled;
                    pool.drop();
                }
            }
            if (!settled) continue;
            for (FolderJob& job : pool.stranded()) {
                const std::string path = job.depth == 0 ? job.name : child(job.parent, job.name);
                if (job.depth > 0) problem(nodes_[job.node], path, {}, SftpFailure::ConnectionLost);
                stop(SftpFailure::ConnectionLost, path);
            }
            if (deferred_.empty() || result_.stopped) break;
            pool.submit(std::move(deferred_.front()));
            deferred_.erase(deferred_.begin());
        }
    }

    // The files and problems in the order one connection going depth first meets them.
    void emit(size_t index) {
        FolderNode& node = nodes_[index];
        for (SftpScanProblem& p : node.problems) result_.problems.push_back(std::move(p));
        for (const size_t c : node.children) emit(c);
        for (SftpScanFile& file : node.files) result_.files.push_back(std::move(file));
        node = FolderNode();
    }

    const SftpScanOptions& options_;
    SftpScanResult& result_;
    const size_t connections_;
    std::mutex mutex_;
    ConnectionPool* pool_ = nullptr;  // while the connections run
    std::deque<FolderNode> nodes_;    // a deque: a node stays put while others are added
    std::vector<FolderJob> deferred_;
    std::unordered_set<std::string> visited_;
    size_t entries_ = 0;
    uint64_t bytes_ = 0;
    std::vector<std::string> untold_;  // files accepted since the calling thread last told of them
};

}  // namespace

SftpScanResult scanSftpFolder(SftpConnection& connection, const std::string& root, const SftpScanOptions& options) {
    return scanSftpFolder(std::vector<std::function<SftpConnection*()>>{[&connection] { return &connection; }}, root,
                          options);
}

SftpScanResult scanSftpFolder(std::vector<std::function<SftpConnection*()>> connections, const std::string& root,
                              const SftpScanOptions& options) {
    SftpScanResult result;
    const size_t count = connections.size();
    Walk(options, result, count).run(std::move(connections), root);
    return result;
}

}  // namespace tesselon

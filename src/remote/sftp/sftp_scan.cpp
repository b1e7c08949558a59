#include "remote/sftp/sftp_scan.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

namespace tesselon {

namespace {

class Walk {
public:
    Walk(SftpConnection& connection, const SftpScanOptions& options, SftpScanResult& result)
        : connection_(connection), options_(options), result_(result) {
        if (options_.deadline) connection_.limitOperationsTo(*options_.deadline);
    }
    ~Walk() { connection_.limitOperationsTo(std::chrono::steady_clock::time_point::max()); }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    void scanRoot(const std::string& root) {
        if (reachedDeadline(root)) return;
        const SftpPath canonical = connection_.canonicalPath(root.empty() ? "." : root);
        if (canonical.failure != SftpFailure::None) {
            if (!reachedDeadline(root)) result_.failure = canonical.failure;
            return;
        }
        if (!isSafeListedPath(canonical.path) || canonical.path.size() > kMaxListedPathBytes) {
            result_.failure = SftpFailure::UnsafeName;
            return;
        }
        result_.root = canonical.path;
        bytes_ = canonical.path.size();
        const SftpFailure failure = scan(canonical.path, 0);
        if (failure != SftpFailure::None) result_.failure = failure;
    }

private:
    void problem(const std::string& folder, const std::string& name, SftpFailure failure,
                 ListedNameProblem nameProblem = ListedNameProblem::None) {
        result_.problems.push_back({folder, name, failure, nameProblem});
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

    static std::string child(const std::string& folder, const std::string& name) {
        return (folder == "/" ? "" : folder) + "/" + name;
    }

    // Scans a folder known by its canonical path; a failure to list the folder itself
    // is returned, what it passes by goes to the problems.
    SftpFailure scan(const std::string& folder, int depth) {
        if (reachedDeadline(folder)) return SftpFailure::None;
        visited_.insert(folder);
        const size_t room = options_.maxEntries - std::min(options_.maxEntries, entries_);
        const uint64_t byteRoom = options_.maxPathBytes - std::min(options_.maxPathBytes, bytes_);
        SftpListing listing = connection_.list(folder, room, byteRoom);
        entries_ += listing.entries.size();
        if (listing.failure == SftpFailure::OverBound) {
            stop(SftpFailure::OverBound, folder,
                 listing.entries.size() >= room ? SftpScanLimit::Entries : SftpScanLimit::PathBytes);
        } else if (listing.failure != SftpFailure::None) {
            if (reachedDeadline(folder)) return SftpFailure::None;
            if (!connection_.usable()) stop(listing.failure, folder);
            return listing.failure;
        }

        std::vector<SftpScanFile> files;
        std::vector<std::string> subfolders;
        for (auto entry = listing.entries.rbegin(); entry != listing.entries.rend(); ++entry) {
            if (entry->name == "." || entry->name == "..") continue;
            // Every entry listed costs its path, kept or not: the listing held it.
            if (!charge(listedPathLength(folder, entry->name), folder)) break;
            const ListedNameProblem nameProblem = listedNameProblem(folder, entry->name);
            if (nameProblem != ListedNameProblem::None) {
                problem(folder, entry->name, SftpFailure::UnsafeName, nameProblem);
                continue;
            }
            if (entry->kind == SftpEntryKind::Folder) {
                subfolders.push_back(entry->name);
            } else if (!options_.accept || options_.accept(entry->name)) {
                files.push_back({child(folder, entry->name), entry->size, entry->modified, entry->kind});
                if (options_.found) options_.found(entry->name, ++found_);
            }
        }
        // What the subfolders hold is counted by their own listings.
        listing = {};
        for (const std::string& name : subfolders) {
            if (!options_.recursive || result_.stopped) break;
            enter(folder, name, depth + 1);
        }
        for (SftpScanFile& file : files) result_.files.push_back(std::move(file));
        return SftpFailure::None;
    }

    void enter(const std::string& parent, const std::string& name, int depth) {
        const std::string path = child(parent, name);
        if (depth > options_.maxDepth) {
            problem(path, {}, SftpFailure::OverBound);
            return;
        }
        if (reachedDeadline(path)) return;
        const SftpPath canonical = connection_.canonicalPath(path);
        if (canonical.failure != SftpFailure::None) {
            if (reachedDeadline(path)) return;
            problem(path, {}, canonical.failure);
            if (!connection_.usable()) stop(canonical.failure, path);
            return;
        }
        if (!isSafeListedPath(canonical.path)) {
            problem(path, {}, SftpFailure::UnsafeName);
            return;
        }
        // A folder the server resolves to a path past the bound is refused like a name
        // that makes one.
        if (canonical.path.size() > kMaxListedPathBytes) {
            problem(parent, name, SftpFailure::UnsafeName, ListedNameProblem::PathTooLong);
            return;
        }
        // A folder reached again (a server that lists a folder inside itself) is not
        // walked twice.
        if (visited_.count(canonical.path)) return;
        if (!charge(canonical.path.size(), path)) return;
        const SftpFailure failure = scan(canonical.path, depth);
        if (failure != SftpFailure::None) problem(canonical.path, {}, failure);
    }

    SftpConnection& connection_;
    const SftpScanOptions& options_;
    SftpScanResult& result_;
    std::unordered_set<std::string> visited_;
    size_t entries_ = 0;
    uint64_t bytes_ = 0;
    size_t found_ = 0;
};

}  // namespace

SftpScanResult scanSftpFolder(SftpConnection& connection, const std::string& root, const SftpScanOptions& options) {
    SftpScanResult result;
    Walk(connection, options, result).scanRoot(root);
    return result;
}

}  // namespace tesselon

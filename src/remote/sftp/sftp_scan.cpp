#include "remote/sftp/sftp_scan.h"

#include <algorithm>
#include <unordered_set>

namespace tesselon {

namespace {

class Walk {
public:
    Walk(SftpConnection& connection, const SftpScanOptions& options, SftpScanResult& result)
        : connection_(connection), options_(options), result_(result) {}

    void scanRoot(const std::string& root) {
        const SftpPath canonical = connection_.canonicalPath(root.empty() ? "." : root);
        if (canonical.failure != SftpFailure::None) {
            result_.failure = canonical.failure;
            return;
        }
        if (!isSafeListedPath(canonical.path)) {
            result_.failure = SftpFailure::UnsafeName;
            return;
        }
        result_.root = canonical.path;
        const SftpFailure failure = scan(canonical.path, 0);
        if (failure != SftpFailure::None) result_.failure = failure;
    }

private:
    void problem(const std::string& folder, const std::string& name, SftpFailure failure,
                 ListedNameProblem nameProblem = ListedNameProblem::None) {
        result_.problems.push_back({folder, name, failure, nameProblem});
    }

    void stop(SftpFailure reason) {
        result_.stopped = true;
        result_.stopReason = reason;
    }

    static std::string child(const std::string& folder, const std::string& name) {
        return (folder == "/" ? "" : folder) + "/" + name;
    }

    // Scans a folder known by its canonical path; a failure to list the folder itself
    // is returned, what it passes by goes to the problems.
    SftpFailure scan(const std::string& folder, int depth) {
        visited_.insert(folder);
        const size_t room = options_.maxEntries - std::min(options_.maxEntries, entries_);
        SftpListing listing = connection_.list(folder, room);
        entries_ += listing.entries.size();
        if (listing.failure == SftpFailure::OverBound) {
            stop(SftpFailure::OverBound);
        } else if (listing.failure != SftpFailure::None) {
            if (!connection_.usable()) stop(listing.failure);
            return listing.failure;
        }

        std::vector<SftpScanFile> files;
        std::vector<std::string> subfolders;
        for (auto entry = listing.entries.rbegin(); entry != listing.entries.rend(); ++entry) {
            if (entry->name == "." || entry->name == "..") continue;
            const ListedNameProblem nameProblem = listedNameProblem(entry->name);
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
        for (const std::string& name : subfolders) {
            if (!options_.recursive || result_.stopped) break;
            enter(child(folder, name), depth + 1);
        }
        for (SftpScanFile& file : files) result_.files.push_back(std::move(file));
        return SftpFailure::None;
    }

    void enter(const std::string& path, int depth) {
        if (depth > options_.maxDepth) {
            problem(path, {}, SftpFailure::OverBound);
            return;
        }
        const SftpPath canonical = connection_.canonicalPath(path);
        if (canonical.failure != SftpFailure::None) {
            problem(path, {}, canonical.failure);
            if (!connection_.usable()) stop(canonical.failure);
            return;
        }
        if (!isSafeListedPath(canonical.path)) {
            problem(path, {}, SftpFailure::UnsafeName);
            return;
        }
        // A folder reached again (a server that lists a folder inside itself) is not
        // walked twice.
        if (visited_.count(canonical.path)) return;
        const SftpFailure failure = scan(canonical.path, depth);
        if (failure != SftpFailure::None) problem(canonical.path, {}, failure);
    }

    SftpConnection& connection_;
    const SftpScanOptions& options_;
    SftpScanResult& result_;
    std::unordered_set<std::string> visited_;
    size_t entries_ = 0;
    size_t found_ = 0;
};

}  // namespace

SftpScanResult scanSftpFolder(SftpConnection& connection, const std::string& root, const SftpScanOptions& options) {
    SftpScanResult result;
    Walk(connection, options, result).scanRoot(root);
    return result;
}

}  // namespace tesselon

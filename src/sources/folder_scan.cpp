#include "sources/folder_scan.h"

#include <cerrno>
#include <climits>
#include <set>
#include <sys/stat.h>
#include <utility>

#include "core/frontend.h"
#include "runtime/fs/directory_listing.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "sources/bookkeeping_names.h"
#include "sources/extension_filter.h"
#include "sources/scan_texts.h"

namespace tesselon {

namespace {

// Everything one top-level scan shares across its recursion.
struct FolderWalk {
    FolderWalk(const ScanContext& c, std::vector<SourceImageEntry>& l, bool r) : context(c), list(l), recursive(r) {}

    const ScanContext& context;
    std::vector<SourceImageEntry>& list;
    bool recursive = false;
    // Extension scan: the filter and whether folders are skipped. Pattern scan: filter null.
    const ExtensionFilter* filter = nullptr;
    bool skipFolders = true;
    std::string_view pattern;
    // Folders entered so far, by device and inode: a link back up the tree, or a second
    // link to a folder already scanned, would otherwise repeat it (endlessly for a loop).
    std::set<std::pair<dev_t, ino_t>> visited;
    // The scanned folder's real path, ending with "/": links that lead out of it are
    // not followed (a link to "/" would walk the whole file system).
    std::string realRoot;
};

void report(FolderWalk& walk, ScanProblem::Kind kind, std::string path) {
    if (walk.context.problems) walk.context.problems->push_back(ScanProblem{kind, std::move(path)});
}

bool insideRealRoot(const FolderWalk& walk, const std::string& folder) {
    const std::string real = realPath(folder);
    return !real.empty() && !walk.realRoot.empty() && withTrailingSeparator(real).compare(0, walk.realRoot.size(), walk.realRoot) == 0;
}

bool cancelled(const ScanContext& context) { return context.cancel && context.cancel->requested(); }

// Records the folder as entered; false when this scan was there before, it is gone, or
// it is the folder to skip.
bool enterFirstTime(FolderWalk& walk, const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno == ENAMETOOLONG) report(walk, ScanProblem::Kind::PathTooLong, folder);
        return false;
    }
    const FolderIdentity* skip = walk.context.skipFolder;
    if (skip && !walk.visited.empty() && skip->device == uint64_t(info.st_dev) && skip->inode == uint64_t(info.st_ino))
        return false;
    return walk.visited.emplace(info.st_dev, info.st_ino).second;
}

// Counts the entry just appended and shows it, then lets the interface handle one event
// (which is how a cancel request reaches the scan).
void reportFound(FolderWalk& walk, std::string_view name) {
    const ScanContext& context = walk.context;
    if (context.found) ++*context.found;
    if (!context.frontend) return;
    const int64_t count = context.found ? *context.found : int64_t(walk.list.size());
    context.frontend->setProgressText(scanProgressText(count, name));
    context.frontend->pumpOneEvent();
}

void addFile(FolderWalk& walk, const std::string& folder, const std::string& relative, const DirectoryEntry& entry) {
    // A path the system cannot open would only fail later, unexplained.
    if (folder.size() + entry.name.size() >= PATH_MAX) {
        report(walk, ScanProblem::Kind::PathTooLong, folder + entry.name);
        return;
    }
    SourceImageEntry& added = walk.list.emplace_back();
    added.path = relative + entry.name;
    added.size = entry.size;
    reportFound(walk, entry.name);
}

void addFolder(FolderWalk& walk, const std::string& relative, const DirectoryEntry& entry, bool counted) {
    walk.list.emplace_back().path = relative + entry.name + "/";
    if (counted) reportFound(walk, entry.name);
}

bool isDotEntry(const std::string& name) { return name == "." || name == ".."; }

void scanFolder(FolderWalk& walk, const std::string& folder, const std::string& relative) {
    if (cancelled(walk.context)) return;
    std::vector<DirectoryEntry> entries;
    {
        DirectoryListing listing(folder);
        if (!listing.ok()) {
            report(walk, listing.error() == ENAMETOOLONG ? ScanProblem::Kind::PathTooLong
                                                         : ScanProblem::Kind::UnreadableFolder,
                   folder);
            return;
        }
        while (listing.next()) entries.push_back(listing.entry());
    }
    // One event per folder too, so a large tree without images keeps the window alive
    // and the cancel button working.
    if (walk.context.frontend) walk.context.frontend->pumpOneEvent();
    if (cancelled(walk.context)) return;

    for (const DirectoryEntry& entry : entries) {
        if (isDotEntry(entry.name)) continue;
        // The batch's own records beside its results are never images, whatever the filter.
        if (entry.type != kEntryFolder && isBookkeepingName(entry.name)) continue;
        const bool isFolder = entry.type == kEntryFolder;
        if (walk.filter) {
            if (isFolder ? !walk.skipFolders : walk.filter->accepts(entry.name)) {
                if (isFolder) {
                    addFolder(walk, relative, entry, true);
                } else {
                    addFile(walk, folder, relative, entry);
                }
            }
        } else if (wildcardMatch(walk.pattern, entry.name)) {
            if (isFolder) {
                addFolder(walk, relative, entry, false);
            } else {
                addFile(walk, folder, relative, entry);
            }
        }
        if (cancelled(walk.context)) break;
    }

    if (!walk.recursive) return;
    for (const DirectoryEntry& entry : entries) {
        if (cancelled(walk.context)) break;
        if (entry.type != kEntryFolder || isDotEntry(entry.name)) continue;
        const std::string subfolder = folder + entry.name + "/";
        if (entry.link && !insideRealRoot(walk, subfolder)) {
            report(walk, ScanProblem::Kind::LinkLeavesSource, subfolder);
            continue;
        }
        if (enterFirstTime(walk, subfolder)) scanFolder(walk, subfolder, relative + entry.name + "/");
    }
}

size_t startWalk(FolderWalk& walk, std::string_view folder) {
    if (folder.empty() || cancelled(walk.context)) return walk.list.size();
    const std::string root = withTrailingSeparator(folder);
    walk.realRoot = withTrailingSeparator(realPath(root));
    if (enterFirstTime(walk, root)) scanFolder(walk, root, std::string());
    return walk.list.size();
}

}  // namespace

std::optional<FolderIdentity> folderIdentity(std::string_view path) {
    struct stat info {};
    if (path.empty() || ::stat(std::string(path).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return FolderIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino)};
}

std::string scanProgressText(int64_t found, std::string_view name) {
    std::string text(kScanProgressTitle);
    text += "\r\n(";
    text += std::to_string(found);
    text += " encontrados)\r\n('";
    text += name;
    text += "')";
    return text;
}

size_t scanFolderByExtensions(const ScanContext& context, std::string_view folder,
                              std::vector<SourceImageEntry>& list, bool skipFolders,
                              std::string_view extensionList, bool recursive) {
    const ExtensionFilter filter(extensionList);
    FolderWalk walk(context, list, recursive);
    walk.filter = &filter;
    walk.skipFolders = skipFolders;
    return startWalk(walk, folder);
}

size_t scanFolderByPattern(const ScanContext& context, std::string_view folder,
                           std::vector<SourceImageEntry>& list, std::string_view pattern, bool recursive) {
    FolderWalk walk(context, list, recursive);
    walk.pattern = pattern;
    return startWalk(walk, folder);
}

}  // namespace tesselon

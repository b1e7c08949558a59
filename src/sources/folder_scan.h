// Filling a list of images from a local folder and, optionally, its subfolders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cancel_token.h"
#include "core/image_list.h"
#include "core/scan_problem.h"

namespace tesselon {

class Frontend;

// A folder by device and inode.
struct FolderIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

// What a folder scan reports to and polls from its caller.
struct ScanContext {
    const CancelToken* cancel = nullptr;  // the scan stops once it is raised; may be null
    int64_t* found = nullptr;           // counts the images found; may be null
    Frontend* frontend = nullptr;       // progress text and one pumped event per image; may be null
    // A folder below the scanned one that is not entered: the destination of the
    // results, which a later scan would otherwise take for more sources.
    const FolderIdentity* skipFolder = nullptr;
    std::vector<ScanProblem>* problems = nullptr;  // what was passed by; may be null
};

// The identity of an existing folder (links followed); nothing when there is none.
std::optional<FolderIdentity> folderIdentity(std::string_view path);

// The progress window's text while a scan runs.
std::string scanProgressText(int64_t found, std::string_view name);

// Appends the folder's files whose extension is in `extensionList` ("|"-separated,
// any case; empty or "*.*" for every file), then, when `recursive`, scans each
// subfolder the same way, depth first. Entries carry their path relative to `folder`
// ("a.jpg", "x/y/a.jpg") and their size. With `skipFolders` false each subfolder is
// an entry too (its path ending in "/"). A folder reached a second time through a
// link is not scanned again, nor is a linked folder that lies outside `folder`.
// Returns the number of entries in the list afterwards.
size_t scanFolderByExtensions(const ScanContext& context, std::string_view folder,
                              std::vector<SourceImageEntry>& list, bool skipFolders,
                              std::string_view extensionList, bool recursive);

// Like scanFolderByExtensions, but takes every file matching the wildcard pattern
// ("*.jpg", case-insensitive), and a subfolder whose name matches it as an entry
// (path ending in "/", neither counted nor shown); the recursive pass enters every
// subfolder.
size_t scanFolderByPattern(const ScanContext& context, std::string_view folder,
                           std::vector<SourceImageEntry>& list, std::string_view pattern, bool recursive);

}  // namespace tesselon

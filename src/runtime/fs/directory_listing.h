// Folder listings with "*" and "?" wildcards matched case-insensitively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

class FolderHandle;

enum EntryType { kEntryFile = 1, kEntryFolder = 2 };

struct DirectoryEntry {
    std::string name;  // without folder
    int64_t size = 0;  // bytes, 0 for folders
    int type = kEntryFile;
    bool link = false; // reached through a symbolic link (type is what the link leads to)
};

// Whether `name` matches `pattern`; "*" any run, "?" one character, letters compared
// without regard to case (Latin, Greek and Cyrillic). "*.*" and the empty pattern
// match every name, with or without a dot.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// A snapshot of the matching entries of one folder, taken when it is constructed.
// Entries come sorted by name (byte order) so that scans give the same order on every
// file system; "." and ".." are included when the pattern matches them. A link to a
// folder is a folder entry and a link to a file a file entry; a link that leads
// nowhere is left out, as is an entry removed while the folder was read.
class DirectoryListing {
public:
    // Lists `folder` (with or without a trailing "/") for `pattern`. A folder that
    // cannot be read gives a listing for which ok() is false.
    explicit DirectoryListing(std::string_view folder, std::string_view pattern = "*.*");
    // Lists an open folder.
    explicit DirectoryListing(const FolderHandle& folder, std::string_view pattern = "*.*");

    bool ok() const { return ok_; }
    // The system's error number when the folder could not be read (EACCES,
    // ENAMETOOLONG ...); 0 when ok().
    int error() const { return error_; }
    // Moves to the next entry; the first call yields the first match. False at the end.
    bool next();
    // The current entry; an empty entry before the first next() and after the end.
    const DirectoryEntry& entry() const;

private:
    bool ok_ = false;
    int error_ = 0;
    std::vector<DirectoryEntry> entries_;
    size_t index_ = 0;
    bool started_ = false;
};

}  // namespace tesselon

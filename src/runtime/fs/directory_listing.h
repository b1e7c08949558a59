// Folder listings with "*" and "?" wildcards matched case-insensitively.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

enum EntryType { kEntryFile = 1, kEntryFolder = 2 };

struct DirectoryEntry {
    std::string name;  // without folder
    int64_t size = 0;  // bytes, 0 for folders
    int type = kEntryFile;
};

// Whether `name` matches `pattern`; "*" any run, "?" one character, letters compared
// without regard to case. "*.*" matches every name, with or without a dot.
bool wildcardMatch(std::string_view pattern, std::string_view name);

class DirectoryListing {
public:
    // Lists `folder` (with or without a trailing separator) for `pattern`. The listing
    // includes "." and ".."; an unreadable folder gives a listing for which ok() is false.
    DirectoryListing(std::string_view folder, std::string_view pattern = "*.*");

    bool ok() const { return ok_; }
    // Moves to the next entry; the first call yields the first match. False at the end.
    bool next();
    const DirectoryEntry& entry() const { return entries_[index_]; }

private:
    bool ok_ = false;
    std::vector<DirectoryEntry> entries_;
    size_t index_ = 0;
    bool started_ = false;
};

}  // namespace tesselon

// Unix-style LIST lines and the entries they describe.
//
//   drwxr-xr-x  2 owner group     4096 Jan  1 12:00 fotos
//   -rw-r--r--  1 owner group     1234 Jan  1 12:00 a b.jpg
//
// Eight fields separated by runs of spaces and tabs, then the name up to the line
// break; the name keeps its spaces and tabs. Only the size, the name and the type
// (directory when the line starts with "d", a file otherwise) are used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

inline constexpr int kFtpEntryFile = 1;
inline constexpr int kFtpEntryDirectory = 2;

struct FtpListEntry {
    std::string name;  // bytes as the server sent them
    int64_t size = 0;
    int type = kFtpEntryFile;
};

// The entries of the last listing as a stack: the last line parsed is on top, so they
// come out last line first. After a listing the first next() makes the top entry
// current without removing it; each later next() removes the top.
//
// A listing may hold a million entries, so they are kept packed: the names one after
// another in one buffer, and 16 bytes of size, type and place per entry.
class FtpListing {
public:
    // Empties the listing; the next entries added form a new one.
    void clear();
    // Puts an entry on top.
    void add(std::string_view name, int64_t size, int type);
    size_t size() const { return entries_.size(); }
    // Drops the entries above the first `count` (the last ones added).
    void keepFirst(size_t count);

    bool next();
    // The top entry; null when there is none. Valid until the listing changes.
    const FtpListEntry* current() const;

private:
    struct Packed {
        int64_t size;
        uint32_t offset;  // of the name in names_
        uint16_t length;
        uint8_t type;
    };
    std::string names_;
    std::vector<Packed> entries_;
    bool firstPending_ = true;
    mutable FtpListEntry current_;
};

// Longest name a listing entry keeps; a listing line is shorter than that anyway.
inline constexpr size_t kMaxListingName = UINT16_MAX;

struct ListingParse {
    size_t used = 0;   // bytes of the complete lines
    size_t lines = 0;  // complete lines, the skipped ones included
};

// Parses every complete line at the start of `text` onto `listing`, in line order; an
// incomplete last line is left for the caller to complete. Lines that end before the
// name begins ("total 12", blank lines, other layouts) are skipped.
ListingParse parseListingLines(std::string_view text, FtpListing& listing);

}  // namespace tesselon

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

// Parses every complete line at the start of `text` into `entries`, in line order, and
// returns how many bytes it used; an incomplete last line is left for the caller to
// complete. Lines that end before the name begins ("total 12", blank lines, other
// layouts) are skipped.
size_t parseListingLines(std::string_view text, std::vector<FtpListEntry>& entries);

// The entries of the last listing as a stack: the last line parsed is on top, so they
// come out last line first. After a listing the first next() makes the top entry
// current without removing it; each later next() removes the top.
class FtpListing {
public:
    void reset(std::vector<FtpListEntry> entries);
    void clear() { reset({}); }

    bool next();
    // The current entry; null when there is none.
    const FtpListEntry* current() const { return stack_.empty() ? nullptr : &stack_.back(); }

private:
    std::vector<FtpListEntry> stack_;
    bool firstPending_ = false;
};

}  // namespace tesselon

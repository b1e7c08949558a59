// Unix-style LIST lines and the entries they describe.
//
//   drwxr-xr-x  2 owner group     4096 Jan  1 12:00 fotos
//   -rw-r--r--  1 owner group     1234 Jan  1 12:00 a b.jpg
//
// Eight fields separated by runs of spaces and tabs, then the name up to the line
// break; the name keeps its spaces and tabs. The size, the name, the type (directory
// when the line starts with "d", a file otherwise) and the date are used. The date is
// "MMM DD HH:MM" for a recent file (its year the one that puts it no more than about
// six months after the listing) or "MMM DD YYYY", in the server's time, taken as UTC
// as servers list by default.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

inline constexpr int kFtpEntryFile = 1;
inline constexpr int kFtpEntryDirectory = 2;
// The date of a line that had none this parser knows.
inline constexpr int64_t kNoListedTime = INT64_MIN;

struct FtpListEntry {
    std::string name;  // bytes as the server sent them
    int64_t size = 0;
    int type = kFtpEntryFile;
    int64_t modified = kNoListedTime;  // seconds since 1970, to the minute or the day
};

// The entries of the last listing as a stack: the last line parsed is on top, so they
// come out last line first. After a listing the first next() makes the top entry
// current without removing it; each later next() removes the top.
//
// A listing may hold a million entries, so they are kept packed: the names one after
// another in one buffer, and 24 bytes of size, date, type and place per entry.
class FtpListing {
public:
    // Empties the listing; the next entries added form a new one.
    void clear();
    // Puts an entry on top.
    void add(std::string_view name, int64_t size, int type, int64_t modified = kNoListedTime);
    size_t size() const { return entries_.size(); }
    // The bytes of the names held.
    size_t nameBytes() const { return names_.size(); }
    // Drops the entries above the first `count` (the last ones added).
    void keepFirst(size_t count);
    // Drops the last entries added until the names hold at most `bytes`.
    void keepNameBytes(uint64_t bytes);

    bool next();
    // The top entry; null when there is none. Valid until the listing changes.
    const FtpListEntry* current() const;

private:
    struct Packed {
        int64_t size;
        int64_t modified;
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

// Lines one listing may have; more ends it (TooManyLines).
inline constexpr size_t kMaxListingLines = 1'000'000;
// A listing is read through a window this large; a longer line ends it (LineTooLong).
inline constexpr size_t kListingWindow = 1024;

enum class FtpListOutcome {
    Complete,      // every line arrived and the server confirmed the listing (226)
    NotStarted,    // TYPE, the data connection or LIST was refused or failed
    LineTooLong,   // a line longer than the listing window
    Cut,           // the data stopped or broke, or the server did not confirm the listing
    TooManyLines,  // more lines than the caller allows; the first ones are kept
    TooMuchText,   // names of more bytes than the caller allows; the first ones are kept
    PastDeadline,  // the caller's deadline came first; the session is then out of step
};

// What one listing may bring at most.
struct FtpListBounds {
    size_t maxLines = kMaxListingLines;
    uint64_t maxNameBytes = UINT64_MAX;  // the names of the entries together
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

struct ListingParse {
    size_t used = 0;   // bytes of the complete lines
    size_t lines = 0;  // complete lines, the skipped ones included
};

// Parses every complete line at the start of `text` onto `listing`, in line order; an
// incomplete last line is left for the caller to complete. Lines that end before the
// name begins ("total 12", blank lines, other layouts) are skipped. `now` (seconds since
// 1970) places the dates that carry no year; kNoListedTime reads the clock.
ListingParse parseListingLines(std::string_view text, FtpListing& listing, int64_t now = kNoListedTime);

// A listing line's date from its three fields ("Jan", "1", "12:00" or "2020");
// kNoListedTime when they are not a date.
int64_t listedTime(std::string_view month, std::string_view day, std::string_view timeOrYear, int64_t now);

// Collects a listing from the pieces its data connection delivers, through a window of
// kListingWindow bytes, onto `listing`.
class ListingWindow {
public:
    ListingWindow(FtpListing& listing, size_t maxLines, uint64_t maxNameBytes = UINT64_MAX)
        : listing_(listing), maxLines_(maxLines), maxNameBytes_(maxNameBytes) {}

    // Where the next receive goes, and how much room is there (never none).
    char* space() { return window_ + held_; }
    size_t room() const { return sizeof window_ - held_; }
    // Takes `count` bytes received into space(); 0 at the end of the data, which also
    // ends a last line that lacks its line break. Nothing while the listing goes on;
    // Complete at the end of the data (the server has yet to confirm it); LineTooLong,
    // TooManyLines (the first `maxLines` entries kept) or TooMuchText (the entries whose
    // names fit in `maxNameBytes` kept) when reading must stop.
    std::optional<FtpListOutcome> take(size_t count);

private:
    FtpListing& listing_;
    size_t maxLines_;
    uint64_t maxNameBytes_;
    size_t lines_ = 0;
    size_t held_ = 0;
    char window_[kListingWindow];
};

}  // namespace tesselon

#include "remote/ftp_listing.h"

#include <algorithm>
#include <ctime>

#include "runtime/dates/dates.h"

namespace tesselon {

namespace {

constexpr int kFieldsBeforeName = 8;
constexpr int kSizeField = 4;
constexpr int kMonthField = 5;
constexpr int kDayField = 6;
constexpr int kTimeOrYearField = 7;
constexpr std::string_view kLinkArrow = " -> ";

bool blank(char c) { return c == ' ' || c == '\t'; }
bool lineBreak(char c) { return c == '\r' || c == '\n'; }

// Signed decimal with optional sign; digits up to the first non-digit; none gives 0.
int64_t parseSize(std::string_view field) {
    size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const uint64_t digit = uint64_t(field[i] - '0');
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    if (value > uint64_t(INT64_MAX)) value = uint64_t(INT64_MAX);
    return negative ? -int64_t(value) : int64_t(value);
}

// The end of the line break at `pos`: one CR or LF, plus one LF right after it.
size_t afterBreak(std::string_view text, size_t pos) {
    return pos + 1 < text.size() && text[pos + 1] == '\n' ? pos + 2 : pos + 1;
}

// A decimal number of `digits` digits exactly (1 or 2 when `digits` is 0), or -1.
int number(std::string_view field, size_t digits) {
    if (field.empty() || (digits ? field.size() != digits : field.size() > 2)) return -1;
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int monthOf(std::string_view field) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (field.size() != 3) return -1;
    char lower[3];
    for (int i = 0; i < 3; ++i) lower[i] = char(field[size_t(i)] | 0x20);
    for (int m = 0; m < 12; ++m) {
        if (kMonths[m] == std::string_view(lower, 3)) return m + 1;
    }
    return -1;
}

}  // namespace

int64_t listedTime(std::string_view monthField, std::string_view dayField, std::string_view timeOrYear,
                   int64_t now) {
    const int month = monthOf(monthField);
    const int day = number(dayField, 0);
    if (month < 0 || day < 1 || day > 31) return kNoListedTime;
    if (timeOrYear.size() == 5 && timeOrYear[2] == ':') {
        const int hour = number(timeOrYear.substr(0, 2), 2);
        const int minute = number(timeOrYear.substr(3), 2);
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return kNoListedTime;
        const int64_t clock = int64_t(hour) * 3600 + int64_t(minute) * 60;
        // Listed without a year: the last year that puts the date at most half a year
        // after now (a server's clock may run a little ahead of ours).
        constexpr int64_t kHalfYear = 183 * 86400;
        const int64_t year = yearOfDate(now);
        const int64_t thisYear = daysFromCivil(year, month, day) * 86400 + clock;
        return thisYear > now + kHalfYear ? daysFromCivil(year - 1, month, day) * 86400 + clock : thisYear;
    }
    const int year = number(timeOrYear, 4);
    if (year < 1970) return kNoListedTime;
    return daysFromCivil(year, month, day) * 86400;
}

ListingParse parseListingLines(std::string_view text, FtpListing& listing, int64_t now) {
    if (now == kNoListedTime) now = int64_t(::time(nullptr));
    ListingParse parsed;
    size_t start = 0;
    while (start < text.size()) {
        size_t pos = start;
        std::string_view size;
        std::string_view date[3];
        bool shortLine = false;
        for (int field = 0; field < kFieldsBeforeName && !shortLine; ++field) {
            while (pos < text.size() && blank(text[pos])) ++pos;
            const size_t begin = pos;
            while (pos < text.size() && !blank(text[pos]) && !lineBreak(text[pos])) ++pos;
            if (pos < text.size() && lineBreak(text[pos])) shortLine = true;
            if (field == kSizeField) size = text.substr(begin, pos - begin);
            if (field >= kMonthField && field <= kTimeOrYearField)
                date[field - kMonthField] = text.substr(begin, pos - begin);
        }
        while (pos < text.size() && blank(text[pos])) ++pos;
        if (!shortLine && pos < text.size() && lineBreak(text[pos])) shortLine = true;
        const size_t nameBegin = pos;
        while (pos < text.size() && !lineBreak(text[pos])) ++pos;
        if (pos >= text.size()) break;  // incomplete: wait for the rest of the line
        if (!shortLine) {
            std::string_view name = text.substr(nameBegin, pos - nameBegin);
            // A link is listed as "name -> target"; only the name can be fetched.
            if (text[start] == 'l') name = name.substr(0, name.find(kLinkArrow));
            listing.add(name, parseSize(size), text[start] == 'd' ? kFtpEntryDirectory : kFtpEntryFile,
                        listedTime(date[0], date[1], date[2], now));
        }
        start = afterBreak(text, pos);
        ++parsed.lines;
    }
    parsed.used = start;
    return parsed;
}

std::optional<FtpListOutcome> ListingWindow::take(size_t count) {
    held_ += count;
    if (count == 0 && held_ > 0) window_[held_++] = '\n';
    const ListingParse parsed = parseListingLines(std::string_view(window_, held_), listing_);
    std::copy(window_ + parsed.used, window_ + held_, window_);
    held_ -= parsed.used;
    lines_ += parsed.lines;
    if (lines_ > maxLines_) {
        listing_.keepFirst(maxLines_);
        listing_.keepNameBytes(maxNameBytes_);
        return FtpListOutcome::TooManyLines;
    }
    if (listing_.nameBytes() > maxNameBytes_) {
        listing_.keepNameBytes(maxNameBytes_);
        return FtpListOutcome::TooMuchText;
    }
    if (held_ == sizeof window_) return FtpListOutcome::LineTooLong;  // one line fills the window
    if (count == 0) return FtpListOutcome::Complete;
    return std::nullopt;
}

void FtpListing::clear() {
    names_.clear();
    entries_.clear();
    firstPending_ = true;
}

void FtpListing::add(std::string_view name, int64_t size, int type, int64_t modified) {
    name = name.substr(0, kMaxListingName);
    entries_.push_back(Packed{size, modified, uint32_t(names_.size()), uint16_t(name.size()), uint8_t(type)});
    names_ += name;
}

void FtpListing::keepFirst(size_t count) {
    if (count >= entries_.size()) return;
    names_.resize(entries_[count].offset);
    entries_.resize(count);
}

void FtpListing::keepNameBytes(uint64_t bytes) {
    while (!entries_.empty() && names_.size() > bytes) {
        names_.resize(entries_.back().offset);
        entries_.pop_back();
    }
}

bool FtpListing::next() {
    if (entries_.empty()) return false;
    if (firstPending_) {
        firstPending_ = false;
        return true;
    }
    names_.resize(entries_.back().offset);
    entries_.pop_back();
    if (!entries_.empty()) return true;
    // A long listing read to its end gives its memory back at once.
    std::string().swap(names_);
    std::vector<Packed>().swap(entries_);
    return false;
}

const FtpListEntry* FtpListing::current() const {
    if (entries_.empty()) return nullptr;
    const Packed& top = entries_.back();
    current_.name.assign(names_, top.offset, top.length);
    current_.size = top.size;
    current_.type = top.type;
    current_.modified = top.modified;
    return &current_;
}

}  // namespace tesselon

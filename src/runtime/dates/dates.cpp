#include "runtime/dates/dates.h"

#include <cstdio>
#include <ctime>

namespace tesselon {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

struct CivilTime {
    int64_t year;
    int month, day, hour, minute, second;
};

CivilTime civilFromDate(int64_t date) {
    int64_t days = date / kSecondsPerDay;
    int64_t rest = date % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilTime t{};
    t.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = yearOfEra + era * 400 + (t.month <= 2);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithToken(std::string_view text, std::string_view token) {
    if (text.size() < token.size()) return false;
    for (size_t i = 0; i < token.size(); ++i) {
        if (lower(text[i]) != token[i]) return false;
    }
    return true;
}

void appendNumber(std::string& out, int64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", digits, static_cast<long long>(value));
    out += text;
}

}  // namespace

// H. Hinnant's algorithm, so no time-zone machinery can shift the result.
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t yearOfDate(int64_t date) { return civilFromDate(date).year; }

int64_t makeDate(int year, int month, int day, int hour, int minute, int second) {
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return -1;
    }
    const int64_t date = daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return date < 0 || date > kLatestDate ? -1 : date;
}

int64_t currentDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return -1;
    // A leap second (tm_sec 60) is counted as the last second of its minute.
    return makeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                    local.tm_sec > 59 ? 59 : local.tm_sec);
}

std::string formatDate(std::string_view mask, int64_t date) {
    const CivilTime t = civilFromDate(date);
    std::string out;
    out.reserve(mask.size() + 8);
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != '%') {
            out += mask[i];
            continue;
        }
        const std::string_view rest = mask.substr(i + 1);
        if (startsWithToken(rest, "yyyy")) {
            appendNumber(out, t.year, 4);
            i += 4;
        } else if (startsWithToken(rest, "yy")) {
            appendNumber(out, (t.year % 100 + 100) % 100, 2);
            i += 2;
        } else if (startsWithToken(rest, "mm")) {
            appendNumber(out, t.month, 2);
            i += 2;
        } else if (startsWithToken(rest, "dd")) {
            appendNumber(out, t.day, 2);
            i += 2;
        } else if (startsWithToken(rest, "hh")) {
            appendNumber(out, t.hour, 2);
            i += 2;
        } else if (startsWithToken(rest, "ii")) {
            appendNumber(out, t.minute, 2);
            i += 2;
        } else if (startsWithToken(rest, "ss")) {
            appendNumber(out, t.second, 2);
            i += 2;
        } else {
            out += '%';
        }
    }
    return out;
}

}  // namespace tesselon

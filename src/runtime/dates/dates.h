// Dates are 64-bit seconds since 1970-01-01 00:00:00 of the local wall clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselon {

constexpr int64_t kLatestDate = 2147483647;  // 2038-01-19 03:14:07

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (month 1-12), for
// any year.
int64_t daysFromCivil(int64_t year, int month, int day);

// The calendar year of a date, for any date.
int64_t yearOfDate(int64_t date);

// The date of the given calendar fields (month 1-12, day 1-31, hour 0-23), counted as
// if they were universal time; -1 outside 1970-01-01 00:00:00 .. 2038-01-19 03:14:07
// or for fields out of their range.
int64_t makeDate(int year, int month, int day, int hour, int minute, int second);

// The local time's fields counted as if they were universal time; -1 outside
// 1970-01-01 00:00:00 .. 2038-01-19 03:14:07.
int64_t currentDate();

// Copies the mask, replacing %yyyy %yy %mm %dd %hh %ii %ss (any letter case); any
// other "%" is copied as it is.
std::string formatDate(std::string_view mask, int64_t date);

}  // namespace tesselon

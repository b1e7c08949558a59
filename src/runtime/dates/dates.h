// Dates are 64-bit seconds since 1970-01-01 00:00:00 of the local wall clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselon {

// The local time's fields counted as if they were universal time; -1 outside
// 1970-01-01 00:00:00 .. 2038-01-19 03:14:07.
int64_t currentDate();

// Copies the mask, replacing %yyyy %yy %mm %dd %hh %ii %ss (any letter case); any
// other "%" is copied as it is.
std::string formatDate(std::string_view mask, int64_t date);

}  // namespace tesselon

#include "runtime/dates/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tesselon {
namespace {

TEST(Dates, FormatsEveryTokenInAnyCase) {
    const int64_t date = makeDate(2025, 11, 21, 12, 34, 5);
    EXPECT_EQ(formatDate("%dd/%mm/%yyyy %hh:%ii:%ss", date), "21/11/2025 12:34:05");
    EXPECT_EQ(formatDate("%YYYY %Yy %MM %Dd %HH %iI %SS", date), "2025 25 11 21 12 34 05");
    EXPECT_EQ(formatDate("%yyyyy", date), "2025y");
    EXPECT_EQ(formatDate("100% %y %%yy %", date), "100% %y %25 %");
    EXPECT_EQ(formatDate("", date), "");
    EXPECT_EQ(formatDate("%yy", makeDate(2005, 1, 2, 3, 4, 5)), "05");
    EXPECT_EQ(formatDate("%hh:%ii:%ss", makeDate(2001, 1, 1, 0, 0, 0)), "00:00:00");
}

TEST(Dates, CalendarAgreesWithTheCLibrary) {
    // Steps of a prime number of seconds cross every month, leap day and year end.
    for (int64_t date = 0; date <= kLatestDate; date += 86400 * 7 + 3607) {
        const std::time_t t = static_cast<std::time_t>(date);
        std::tm fields{};
        ASSERT_NE(gmtime_r(&t, &fields), nullptr);
        char expected[64];
        std::strftime(expected, sizeof expected, "%d/%m/%Y %H:%M:%S", &fields);
        ASSERT_EQ(formatDate("%dd/%mm/%yyyy %hh:%ii:%ss", date), expected) << date;
        ASSERT_EQ(makeDate(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                           fields.tm_min, fields.tm_sec),
                  date);
    }
}

TEST(Dates, RangeAndInvalidFields) {
    EXPECT_EQ(makeDate(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(makeDate(2038, 1, 19, 3, 14, 7), kLatestDate);
    EXPECT_EQ(makeDate(2038, 1, 19, 3, 14, 8), -1);
    EXPECT_EQ(makeDate(1969, 12, 31, 23, 59, 59), -1);
    EXPECT_EQ(makeDate(2024, 2, 29, 0, 0, 0), 1709164800);
    EXPECT_EQ(makeDate(2023, 2, 29, 0, 0, 0), -1);
    EXPECT_EQ(makeDate(2000, 13, 1, 0, 0, 0), -1);
    EXPECT_EQ(makeDate(2000, 1, 1, 24, 0, 0), -1);
    // Whatever arrives, formatting never fails.
    EXPECT_EQ(formatDate("%yyyy", -1), "1969");
    EXPECT_FALSE(formatDate("%dd/%mm/%yyyy", INT64_MAX).empty());
    EXPECT_FALSE(formatDate("%dd/%mm/%yyyy", INT64_MIN).empty());
}

// Sets TZ for one scope and restores it.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST(Dates, CurrentDateCountsTheLocalWallClock) {
    for (const auto& [zone, offset] : {std::pair{"UTC0", 0}, std::pair{"XXX-03", 3 * 3600},
                                       std::pair{"YYY+05:30", -(5 * 3600 + 1800)}}) {
        TimeZone tz(zone);
        const int64_t before = std::time(nullptr);
        const int64_t local = currentDate();
        const int64_t after = std::time(nullptr);
        EXPECT_GE(local, before + offset) << zone;
        EXPECT_LE(local, after + offset) << zone;
    }
}

}  // namespace
}  // namespace tesselon

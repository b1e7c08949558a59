#include <gtest/gtest.h>

#include <ctime>

#include "remote/ftp_listing.h"

namespace tesselon {
namespace {

// The entries in line order.
std::vector<FtpListEntry> parseAll(std::string_view text, size_t* used = nullptr) {
    FtpListing listing;
    const ListingParse parsed = parseListingLines(text, listing);
    if (used) *used = parsed.used;
    std::vector<FtpListEntry> entries;
    while (listing.next()) entries.insert(entries.begin(), *listing.current());
    return entries;
}

TEST(FtpListing, ReadsNameSizeAndTypeAndSkipsLinesWithoutAName) {
    const std::string text =
        "total 12\r\n"
        "drwxr-xr-x   2 owner group      4096 Jan  1 12:00 fotos\r\n"
        "\r\n"
        "-rw-r--r--   1 owner group      1234 Jan  1  2020 a b.jpg\r\n"
        "lrwxrwxrwx\t1 owner group\t  7 Jan  1 12:00 tab\there\n"
        "-rw-r--r-- 1 o g -5 Jan 1 2020 neg.png\r\n"
        "lrwxrwxrwx 1 o g 9 Jan 1 2020 cover.jpg -> fotos/a.jpg\r\n"
        "-rw-r--r-- 1 o g 9 Jan 1 2020 not -> a link.jpg\r\n";
    const std::vector<FtpListEntry> entries = parseAll(text);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].name, "fotos");
    EXPECT_EQ(entries[0].type, kFtpEntryDirectory);
    EXPECT_EQ(entries[1].name, "a b.jpg");
    EXPECT_EQ(entries[1].size, 1234);
    EXPECT_EQ(entries[1].type, kFtpEntryFile);
    EXPECT_EQ(entries[2].name, "tab\there");  // a link counts as a file; the tab stays in the name
    EXPECT_EQ(entries[2].type, kFtpEntryFile);
    EXPECT_EQ(entries[3].size, -5);
    EXPECT_EQ(entries[4].name, "cover.jpg");  // the link itself, which RETR can fetch
    EXPECT_EQ(entries[5].name, "not -> a link.jpg");
}

TEST(FtpListing, LeavesAnIncompleteLineForTheNextReceive) {
    const std::string first = "-rw-r--r-- 1 o g 10 Jan 1 2020 one.jpg\r\n-rw-r--r-- 1 o g 20 Jan 1 2020 tw";
    size_t used = 0;
    std::vector<FtpListEntry> entries = parseAll(first, &used);
    ASSERT_EQ(entries.size(), 1u);
    const std::string rest = first.substr(used) + "o.jpg\r\n";
    entries = parseAll(rest, &used);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "two.jpg");
    EXPECT_EQ(entries[0].size, 20);
    EXPECT_EQ(used, rest.size());
}

TEST(FtpListing, EntriesComeOutLastLineFirstAndTheFirstNextKeepsTheTop) {
    FtpListing listing;
    EXPECT_FALSE(listing.next());
    listing.clear();
    parseListingLines("d--------- 1 o g 0 Jan 1 2020 fotos\r\n---------- 1 o g 1234 Jan 1 2020 a b.jpg\r\n", listing);
    ASSERT_TRUE(listing.next());
    EXPECT_EQ(listing.current()->name, "a b.jpg");
    ASSERT_TRUE(listing.next());
    EXPECT_EQ(listing.current()->name, "fotos");
    EXPECT_FALSE(listing.next());
    EXPECT_EQ(listing.current(), nullptr);

    listing.clear();
    EXPECT_FALSE(listing.next());
}

// Seconds since 1970 of a UTC date, from the C library, to check the parser against.
int64_t utc(int year, int month, int day, int hour = 0, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return int64_t(::timegm(&t));
}

TEST(FtpListing, ReadsTheDateOfBothUnixFormsPlacingARecentOneInTheRightYear) {
    const int64_t now = utc(2026, 1, 10, 8, 30);
    FtpListing listing;
    parseListingLines("-rw-r--r-- 1 o g 10 Jan  9 23:59 recent.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Dec 31 12:05 lastyear.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Aug  1 00:00 summer.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 feb 29 2024 old.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Jan 11 00:00 tomorrow.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Foo 11 00:00 nomonth.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Jan 32 00:00 noday.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Jan  1 25:00 nohour.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Jan  1 1969 early.jpg\r\n"
                      "-rw-r--r-- 1 o g 10 Jan  1 20x6 typo.jpg\r\n",
                      listing, now);
    std::vector<int64_t> times;
    while (listing.next()) times.insert(times.begin(), listing.current()->modified);
    EXPECT_EQ(times, (std::vector<int64_t>{utc(2026, 1, 9, 23, 59), utc(2025, 12, 31, 12, 5), utc(2025, 8, 1),
                                           utc(2024, 2, 29), utc(2026, 1, 11), kNoListedTime, kNoListedTime,
                                           kNoListedTime, kNoListedTime, kNoListedTime}));
    // More than half a year ahead is last year's; less, this year's (a server's clock
    // or a file's date may run ahead).
    EXPECT_EQ(listedTime("Aug", "20", "10:00", utc(2026, 1, 10)), utc(2025, 8, 20, 10, 0));
    EXPECT_EQ(listedTime("Jun", "20", "10:00", utc(2026, 1, 10)), utc(2026, 6, 20, 10, 0));
}

}  // namespace
}  // namespace tesselon

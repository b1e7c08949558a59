#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tesselon

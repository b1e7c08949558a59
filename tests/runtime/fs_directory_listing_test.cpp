#include "runtime/fs/directory_listing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(Wildcards, StarQuestionMarkAndCase) {
    EXPECT_TRUE(wildcardMatch("*.jpg", "FOTO.JPG"));
    EXPECT_TRUE(wildcardMatch("*.JPG", "foto.jpg"));
    EXPECT_FALSE(wildcardMatch("*.jpg", "foto.jpeg"));
    EXPECT_FALSE(wildcardMatch("*.jpg", "foto.jpg.bak"));
    EXPECT_TRUE(wildcardMatch("*.jpg", ".jpg"));
    EXPECT_TRUE(wildcardMatch("?.png", "b.png"));
    EXPECT_FALSE(wildcardMatch("?.png", "bb.png"));
    EXPECT_FALSE(wildcardMatch("?.png", ".png"));
    EXPECT_TRUE(wildcardMatch("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(wildcardMatch("a*b*c", "aXXbYY"));
    EXPECT_TRUE(wildcardMatch("*", ""));
    EXPECT_FALSE(wildcardMatch("?", ""));
    // "*.*" and an empty pattern take every name, dotted or not.
    EXPECT_TRUE(wildcardMatch("*.*", "sinextension"));
    EXPECT_TRUE(wildcardMatch("*.*", ".."));
    EXPECT_TRUE(wildcardMatch("", "x"));
    // Case folding beyond ASCII, and "?" takes one character, not one byte.
    EXPECT_TRUE(wildcardMatch("ÑANDÚ.*", "ñandú.gif"));
    EXPECT_TRUE(wildcardMatch("ŁÓDŹ?", "łódźa"));
    EXPECT_TRUE(wildcardMatch("МОСКВА", "москва"));
    EXPECT_TRUE(wildcardMatch("a?c", "añc"));
    EXPECT_FALSE(wildcardMatch("a??c", "añc"));
    // A hostile pattern against a long name must finish quickly.
    EXPECT_FALSE(wildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

std::vector<std::pair<std::string, int64_t>> list(const std::string& folder, std::string_view pattern) {
    DirectoryListing listing(folder, pattern);
    EXPECT_TRUE(listing.ok());
    std::vector<std::pair<std::string, int64_t>> found;
    while (listing.next()) {
        const DirectoryEntry& e = listing.entry();
        found.emplace_back(e.name, e.type == kEntryFolder ? -2 : e.size);
    }
    EXPECT_FALSE(listing.next());
    return found;
}

using Found = std::vector<std::pair<std::string, int64_t>>;

TEST(DirectoryListing, SortedEntriesWithTypesAndSizes) {
    TempDir dir;
    dir.write("b.txt", "bb");
    dir.write("a.jpg", "a");
    dir.write("A.JPG", "AAA");
    dir.write("sub/inner.jpg", "i");
    fs::create_directory_symlink(dir.file("sub"), dir.file("linked"));
    fs::create_symlink(dir.file("b.txt"), dir.file("alias.txt"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling.jpg"));
    EXPECT_EQ(list(dir.path(), "*.*"), (Found{{".", -2},
                                              {"..", -2},
                                              {"A.JPG", 3},
                                              {"a.jpg", 1},
                                              {"alias.txt", 2},
                                              {"b.txt", 2},
                                              {"linked", -2},
                                              {"sub", -2}}));
    EXPECT_EQ(list(dir.path(), "*.jpg"), (Found{{"A.JPG", 3}, {"a.jpg", 1}}));
    // The folder may come without its trailing separator.
    EXPECT_EQ(list(dir.file("sub"), "*.JPG"), (Found{{"inner.jpg", 1}}));
    EXPECT_EQ(list(dir.path(), "*.gif"), Found{});
}

TEST(DirectoryListing, UnreadableFoldersAndEntryBounds) {
    TempDir dir;
    dir.write("file", "x");
    EXPECT_FALSE(DirectoryListing(dir.file("missing")).ok());
    EXPECT_FALSE(DirectoryListing(dir.file("file")).ok());
    EXPECT_FALSE(DirectoryListing("").ok());

    DirectoryListing listing(dir.path(), "file");
    EXPECT_EQ(listing.entry().name, "");
    ASSERT_TRUE(listing.next());
    EXPECT_EQ(listing.entry().name, "file");
    EXPECT_FALSE(listing.next());
    EXPECT_EQ(listing.entry().name, "");
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <filesystem>

#include "scan_test_support.h"
#include "sources/folder_scan.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using testing::TempDir;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class FolderScan : public ::testing::Test {
protected:
    FolderScan() : ui(state) {}

    ScanContext context() {
        ScanContext c{state.cancel.get(), &state.settings.entorno.TotalImagesOrigen, &ui};
        c.problems = &problems;
        return c;
    }

    TempDir dir;
    AppState state;
    ScanFrontend ui;
    std::vector<SourceImageEntry> list;
    std::vector<ScanProblem> problems;
};

TEST_F(FolderScan, FolderEntriesWhenNotSkippedAppendWithoutClearing) {
    dir.write("root/a.jpg", "x");
    dir.write("root/sub/b.jpg", "x");
    list.push_back({"kept", 0, "", 0, ""});

    EXPECT_EQ(scanFolderByExtensions(context(), dir.path() + "root", list, false, "jpg", true), 4u);

    EXPECT_EQ(pathsOf(list), (Strings{"kept", "a.jpg", "sub/", "sub/b.jpg"}));
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, 3);  // the folder counts too
}

TEST_F(FolderScan, LinkLoopIsNotFollowedForever) {
    dir.write("root/1.jpg", "x");
    dir.write("root/a/2.jpg", "x");
    fs::create_directory_symlink("..", dir.file("root/a/up"));
    fs::create_directory_symlink(dir.path() + "root", dir.file("root/a/self"));

    scanFolderByExtensions(context(), dir.path() + "root/", list, true, "jpg", true);

    EXPECT_EQ(pathsOf(list), (Strings{"1.jpg", "a/2.jpg"}));
}

TEST_F(FolderScan, FolderReachedThroughTwoLinksIsScannedOnce) {
    dir.write("root/sub/e.jpg", "x");
    dir.write("root/r.jpg", "x");
    fs::create_directory_symlink(dir.path() + "root/sub", dir.file("root/l1"));
    fs::create_directory_symlink(dir.path() + "root/sub", dir.file("root/l2"));

    scanFolderByExtensions(context(), dir.path() + "root/", list, true, "jpg", true);

    EXPECT_EQ(pathsOf(list), (Strings{"r.jpg", "l1/e.jpg"}));
}

TEST_F(FolderScan, PatternScanAddsMatchingFoldersUncountedAndEntersEveryFolder) {
    dir.write("root/A.JPG", "abc");
    dir.write("root/b.png", "x");
    dir.write("root/pics.jpg/c.jpg", "x");
    dir.write("root/other/d.jpg", "x");

    scanFolderByPattern(context(), dir.path() + "root/", list, "*.jpg", true);

    EXPECT_EQ(pathsOf(list), (Strings{"A.JPG", "pics.jpg/", "other/d.jpg", "pics.jpg/c.jpg"}));
    EXPECT_EQ(list[0].size, 3);
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, 3);
    EXPECT_EQ(ui.progressTexts.size(), 3u);

    list.clear();
    scanFolderByPattern(context(), dir.path() + "root/", list, "*.jpg", false);
    EXPECT_EQ(pathsOf(list), (Strings{"A.JPG", "pics.jpg/"}));
}

TEST_F(FolderScan, ScanWithoutFrontendOrCounterStillWorks) {
    dir.write("root/x/y/a.jpg", "x");
    EXPECT_EQ(scanFolderByExtensions(ScanContext{}, dir.path() + "root/", list, true, "", true), 1u);
    EXPECT_EQ(pathsOf(list), Strings{"x/y/a.jpg"});
}

TEST_F(FolderScan, UnreadableSubfolderIsSkipped) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    dir.write("root/a.jpg", "x");
    dir.write("root/locked/b.jpg", "x");
    dir.write("root/open/c.jpg", "x");
    fs::permissions(dir.file("root/locked"), fs::perms::none);

    scanFolderByExtensions(context(), dir.path() + "root/", list, true, "jpg", true);

    EXPECT_EQ(pathsOf(list), (Strings{"a.jpg", "open/c.jpg"}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::UnreadableFolder);
    EXPECT_EQ(problems[0].path, dir.path() + "root/locked/");
}

TEST_F(FolderScan, LinksOutOfTheFolderAreNotFollowed) {
    dir.write("root/a.jpg", "x");
    dir.write("root/inner/b.jpg", "x");
    dir.write("outside/c.jpg", "x");
    fs::create_directory_symlink("/", dir.file("root/everything"));
    fs::create_directory_symlink(dir.file("outside"), dir.file("root/out"));
    fs::create_directory_symlink("inner", dir.file("root/within"));  // inside: followed

    scanFolderByExtensions(context(), dir.path() + "root", list, true, "jpg", true);

    EXPECT_EQ(pathsOf(list), (Strings{"a.jpg", "inner/b.jpg"}));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::LinkLeavesSource);
    EXPECT_EQ(problems[0].path, dir.path() + "root/everything/");
    EXPECT_EQ(problems[1].path, dir.path() + "root/out/");
}

TEST_F(FolderScan, TheFolderToSkipIsNotEnteredButTheRootAlwaysIs) {
    dir.write("root/a.jpg", "x");
    dir.write("root/results/a.jpg", "x");
    dir.write("root/more/b.jpg", "x");
    std::optional<FolderIdentity> skip = folderIdentity(dir.file("root/results"));
    ScanContext c = context();
    c.skipFolder = &*skip;
    scanFolderByExtensions(c, dir.path() + "root", list, true, "jpg", true);
    EXPECT_EQ(pathsOf(list), (Strings{"a.jpg", "more/b.jpg"}));

    list.clear();
    skip = folderIdentity(dir.file("root"));
    scanFolderByExtensions(c, dir.path() + "root", list, true, "jpg", true);
    EXPECT_EQ(list.size(), 3u);
}

}  // namespace
}  // namespace tesselon

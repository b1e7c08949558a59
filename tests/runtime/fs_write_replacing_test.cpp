#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <chrono>

#include "runtime/fs/file_descriptor.h"
#include "support/restricted_folder.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/file_system.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::RestrictedFolder;
using testing::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(WriteFileReplacing, CreatesAndReplacesKeepingPermissions) {
    TempDir dir;
    const std::string path = dir.file("settings.cfg");
    ASSERT_TRUE(writeFileReplacing(path, "first"));
    EXPECT_EQ(readFile(path), "first");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileReplacing(path, std::string("second\0", 7)));
    EXPECT_EQ(readFile(path), std::string("second\0", 7));
    EXPECT_EQ(modeOf(path), 0640u);
    ASSERT_TRUE(writeFileReplacing(path, ""));
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"settings.cfg"});
}

TEST(WriteFileReplacing, ReplacesALinkItselfNeverWhatItNames) {
    TempDir dir;
    const std::string real = dir.write("elsewhere/real.cfg", "old");
    fs::create_symlink(real, dir.file("link.cfg"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.cfg"));
    ASSERT_TRUE(writeFileReplacing(dir.file("link.cfg"), "new"));
    ASSERT_TRUE(writeFileReplacing(dir.file("dangling.cfg"), "made"));
    EXPECT_FALSE(fs::is_symlink(dir.file("link.cfg")));
    EXPECT_EQ(readFile(dir.file("link.cfg")), "new");
    EXPECT_EQ(readFile(real), "old");
    EXPECT_EQ(readFile(dir.file("dangling.cfg")), "made");
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
}

TEST(WriteFileReplacing, StaleTemporariesAreRemovedLiveOnesKept) {
    TempDir dir;
    const auto age = [&](const std::string& name) {
        const std::string path = dir.write(name, "partial");
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::minutes(5));
        return path;
    };
    age(".photo.jpg.0123456789abcdef.tmp");
    age(".a.b.c.png.fedcba9876543210.tmp");
    const std::string live = age(".live.jpg.00112233445566ff.tmp");
    dir.write(".fresh.jpg.0123456789abcdef.tmp", "being written");
    // Names of the user's that only look alike.
    for (const char* name : {".photo.jpg.tmp", "photo.jpg.0123456789abcdef.tmp", ".x.0123456789abcdeg.tmp",
                             ".x.0123456789abcde.tmp", "notes.tmp"})
        age(name);
    FileDescriptor writer(::open(live.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);  // as a running writer holds it

    EXPECT_EQ(removeStaleTemporaries(dir.path()), 2);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{".fresh.jpg.0123456789abcdef.tmp", ".live.jpg.00112233445566ff.tmp",
                                        ".photo.jpg.tmp", ".x.0123456789abcde.tmp", ".x.0123456789abcdeg.tmp",
                                        "notes.tmp", "photo.jpg.0123456789abcdef.tmp"}));
    EXPECT_TRUE(isReplacementTemporaryName(".photo.jpg.0123456789abcdef.tmp"));
}

TEST(WriteFileReplacing, RefusesFoldersAndMissingFolders) {
    TempDir dir;
    dir.write("sub/keep", "k");
    EXPECT_FALSE(writeFileReplacing(dir.file("sub"), "x"));
    EXPECT_FALSE(writeFileReplacing(dir.file("nowhere/file"), "x"));
    EXPECT_FALSE(writeFileReplacing("", "x"));
    EXPECT_EQ(namesIn(dir.file("sub")), std::vector<std::string>{"keep"});
}

TEST(WriteFileReplacing, BeneathAnOpenFolderNoLinkIsFollowedAndNothingLeavesIt) {
    TempDir dir;
    dir.write("elsewhere/keep", "k");
    const FolderHandle root = FolderHandle::open(dir.file("root"));
    EXPECT_FALSE(root.valid());
    fs::create_directory(dir.file("root"));
    const FolderHandle opened = FolderHandle::open(dir.file("root"));
    ASSERT_TRUE(opened.valid());

    // Made component by component, and written there.
    BeneathProblem problem = BeneathProblem::Failed;
    const FolderHandle deep = opened.beneath("a/b/c/", true, &problem);
    ASSERT_TRUE(deep.valid());
    EXPECT_EQ(problem, BeneathProblem::None);
    ASSERT_TRUE(writeFileReplacing(deep, "x.jpg", "one", WriteSync::WhenReplacing));
    EXPECT_EQ(readFile(dir.file("root/a/b/c/x.jpg")), "one");
    EXPECT_FALSE(opened.beneath("a/missing", false, &problem).valid());
    EXPECT_EQ(problem, BeneathProblem::Missing);

    // A link on the way, even one back inside, ends the walk; nothing is made past it.
    fs::create_directory_symlink(dir.file("elsewhere"), dir.file("root/out"));
    fs::create_directory_symlink(dir.file("root/a"), dir.file("root/inside"));
    for (const char* path : {"out", "out/new", "inside/b", "a/b/c/x.jpg"}) {
        EXPECT_FALSE(opened.beneath(path, true, &problem).valid()) << path;
        EXPECT_EQ(problem, BeneathProblem::NotAFolder) << path;
    }
    for (const char* path : {"../elsewhere", "a/../../elsewhere", "/tmp"}) {
        EXPECT_FALSE(opened.beneath(path, true, &problem).valid()) << path;
        EXPECT_EQ(problem, BeneathProblem::Invalid) << path;
    }
    EXPECT_EQ(namesIn(dir.file("elsewhere")), std::vector<std::string>{"keep"});

    // A folder moved away after it was opened takes the write along: it never follows
    // a link put in its place.
    fs::rename(dir.file("root/a/b/c"), dir.file("root/moved"));
    fs::create_directory_symlink(dir.file("elsewhere"), dir.file("root/a/b/c"));
    ASSERT_TRUE(writeFileReplacing(deep, "x.jpg", "two", WriteSync::WhenReplacing));
    FileReplacement streamed(FileInFolder{deep, "y.jpg"});
    ASSERT_TRUE(streamed.write("three", 5));
    ASSERT_TRUE(streamed.commit());
    EXPECT_EQ(readFile(dir.file("root/moved/x.jpg")), "two");
    EXPECT_EQ(readFile(dir.file("root/moved/y.jpg")), "three");
    EXPECT_EQ(namesIn(dir.file("elsewhere")), std::vector<std::string>{"keep"});
}

TEST(WriteFileReplacing, FullDiskKeepsTheOldFile) {
    TempDir dir;
    RestrictedFolder full(dir.file("vol"), RestrictedFolder::Kind::Full);
    const std::string path = full.path() + "/settings.cfg";
    ASSERT_TRUE(writeFileReplacing(path, "precious"));
    if (!full.engage()) GTEST_SKIP() << "no way to fill a disk here";
    EXPECT_FALSE(writeFileReplacing(path, std::string(1 << 20, 'x')));
    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(namesIn(full.path()), std::vector<std::string>{"settings.cfg"});
}

TEST(WriteFileReplacing, ReadOnlyFolderKeepsTheOldFile) {
    TempDir dir;
    RestrictedFolder readOnly(dir.file("vol"), RestrictedFolder::Kind::ReadOnly);
    const std::string path = readOnly.path() + "/settings.cfg";
    ASSERT_TRUE(writeFileReplacing(path, "precious"));
    if (!readOnly.engage()) GTEST_SKIP() << "no way to make a folder read-only here";
    EXPECT_FALSE(writeFileReplacing(path, "replacement"));
    EXPECT_EQ(readFile(path), "precious");
    EXPECT_EQ(namesIn(readOnly.path()), std::vector<std::string>{"settings.cfg"});
}

}  // namespace
}  // namespace tesselon

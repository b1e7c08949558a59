#include "runtime/fs/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::TempDir;
namespace fs = std::filesystem;

TEST(FileSize, FilesFoldersAndMissingPaths) {
    TempDir dir;
    dir.write("empty", "");
    dir.write("five", "12345");
    dir.write("sub/inner", "x");
    EXPECT_EQ(fileSize(""), kFileMissing);
    EXPECT_EQ(fileSize(dir.file("missing")), kFileMissing);
    EXPECT_EQ(fileSize(dir.file("empty")), 0);
    EXPECT_EQ(fileSize(dir.file("five")), 5);
    EXPECT_EQ(fileSize(dir.file("sub")), kFileIsFolder);
    EXPECT_EQ(fileSize(dir.file("sub/")), kFileIsFolder);
    EXPECT_EQ(fileSize(dir.file("sub\\/\\")), kFileIsFolder);
    EXPECT_EQ(fileSize(dir.file("five/")), 5);
    EXPECT_EQ(fileSize("/"), kFileIsFolder);
    EXPECT_EQ(fileSize("//"), kFileIsFolder);
    fs::create_directory_symlink(dir.file("sub"), dir.file("link"));
    EXPECT_EQ(fileSize(dir.file("link")), kFileIsFolder);
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    EXPECT_EQ(fileSize(dir.file("dangling")), kFileMissing);
}

TEST(FileSize, SizesBeyondFourGigabytes) {
    TempDir dir;
    const std::string path = dir.file("sparse");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const bool grown = ::ftruncate(fd, 5'000'000'000LL) == 0;
    ::close(fd);
    if (!grown) GTEST_SKIP() << "file system without large sparse files";
    EXPECT_EQ(fileSize(path), 5'000'000'000LL);
}

TEST(FileOperations, CreateDeleteAndRename) {
    TempDir dir;
    EXPECT_TRUE(createDirectory(dir.file("new/ \\ ")));
    EXPECT_EQ(fileSize(dir.file("new")), kFileIsFolder);
    EXPECT_FALSE(createDirectory(dir.file("new")));
    EXPECT_FALSE(createDirectory(dir.file("a/b")));
    EXPECT_FALSE(createDirectory(" / "));

    const std::string file = dir.write("f.txt", "data");
    EXPECT_TRUE(renameFile(file, dir.file("new/g.txt")));
    EXPECT_EQ(fileSize(file), kFileMissing);
    EXPECT_EQ(readFile(dir.file("new/g.txt")), "data");
    EXPECT_FALSE(renameFile(dir.file("none"), dir.file("other")));

    EXPECT_FALSE(deleteFile(dir.file("new")));
    EXPECT_TRUE(deleteFile(dir.file("new/g.txt")));
    EXPECT_FALSE(deleteFile(dir.file("new/g.txt")));

    const std::string readOnly = dir.write("ro.txt", "r");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_TRUE(deleteFile(readOnly, kDeleteForce));
    EXPECT_EQ(fileSize(readOnly), kFileMissing);

    // A link is removed; what it names stays.
    const std::string target = dir.write("target", "t");
    fs::create_symlink(target, dir.file("alias"));
    EXPECT_TRUE(deleteFile(dir.file("alias")));
    EXPECT_EQ(fileSize(target), 1);
}

using testing::ScopedEnv;

TEST(KnownFolders, EndWithASeparator) {
    std::string accountHome = ::getpwuid(::getuid())->pw_dir;
    if (accountHome.empty() || accountHome.back() != '/') accountHome += '/';
    const struct {
        const char* variable;
        const char* value;
        std::string (*folder)();
        std::string expected;
    } cases[] = {
        {"TMPDIR", "/var/tmp", temporaryFolder, "/var/tmp/"},
        {"TMPDIR", "/var/tmp/", temporaryFolder, "/var/tmp/"},
        {"TMPDIR", nullptr, temporaryFolder, "/tmp/tesselon-" + std::to_string(::geteuid()) + "/"},
        {"HOME", "/home/ana", userFolder, "/home/ana/"},
        {"HOME", nullptr, userFolder, accountHome},
    };
    for (const auto& c : cases) {
        ScopedEnv env(c.variable, c.value);
        EXPECT_EQ(c.folder(), c.expected) << c.variable;
    }
    EXPECT_EQ(executableFolder(), fs::canonical("/proc/self/exe").parent_path().string() + "/");
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

TEST(KnownFolders, TheDefaultTemporaryFolderIsTheUsersOwnAndClosedToOthers) {
    ScopedEnv unset("TMPDIR", nullptr);
    const std::string folder = temporaryFolder();
    struct stat info {};
    ASSERT_EQ(::lstat(folder.substr(0, folder.size() - 1).c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST(KnownFolders, AFixedPrivateNameIsRefusedWhenSomeoneElseTookIt) {
    TempDir dir;
    // Missing: made, closed to others whatever the umask.
    EXPECT_TRUE(ensureOwnPrivateFolder(dir.file("fresh")));
    EXPECT_EQ(modeOf(dir.file("fresh")) & 0777, 0700u);
    // The user's own but open to others: narrowed.
    fs::create_directory(dir.file("wide"));
    fs::permissions(dir.file("wide"), fs::perms::all);
    EXPECT_TRUE(ensureOwnPrivateFolder(dir.file("wide")));
    EXPECT_EQ(modeOf(dir.file("wide")) & 0777, 0700u);
    // A link planted under the name, even to a folder of the user's: refused, and what
    // it leads to is left as it was.
    fs::create_directory(dir.file("target"));
    fs::permissions(dir.file("target"), fs::perms::all);
    fs::create_directory_symlink(dir.file("target"), dir.file("planted"));
    EXPECT_FALSE(ensureOwnPrivateFolder(dir.file("planted")));
    EXPECT_EQ(modeOf(dir.file("target")) & 0777, 0777u);
    // A file under the name.
    dir.write("file", "x");
    EXPECT_FALSE(ensureOwnPrivateFolder(dir.file("file")));
    // Another user's folder: refused and left open.
    if (::geteuid() == 0) {
        fs::create_directory(dir.file("theirs"));
        fs::permissions(dir.file("theirs"), fs::perms::all);
        ASSERT_EQ(::chown(dir.file("theirs").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(ensureOwnPrivateFolder(dir.file("theirs")));
        EXPECT_EQ(modeOf(dir.file("theirs")) & 0777, 0777u);
    } else {
        EXPECT_FALSE(ensureOwnPrivateFolder("/"));
    }
}

TEST(WholeFile, ReadsEveryByte) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    EXPECT_EQ(readWholeFile(dir.write("bin", bytes)), bytes);
    EXPECT_EQ(readWholeFile(dir.write("empty", "")), "");
    const std::string big(300000, 'q');
    EXPECT_EQ(readWholeFile(dir.write("big", big)), big);
    EXPECT_EQ(readWholeFile(dir.file("missing")), std::nullopt);
    EXPECT_EQ(readWholeFile(dir.path()), std::nullopt);
    // Files that report a size of zero still read completely.
    const auto status = readWholeFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(status->find("Pid:"), std::string::npos);
}

}  // namespace
}  // namespace tesselon

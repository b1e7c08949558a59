// Walking a folder served by a real sshd on 127.0.0.1.
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "remote/sftp/sftp_scan.h"
#include "sftp_test_fixture.h"

namespace tesselon {
namespace {

using SftpScan = SftpTest;

// The names of a local folder in the order the file system gives them, which is the
// order the server lists them in.
std::vector<std::string> namesInDiskOrder(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

bool isImage(std::string_view name) {
    for (std::string_view extension : {".jpg", ".png"}) {
        if (name.size() > extension.size() && name.substr(name.size() - extension.size()) == extension) return true;
    }
    return false;
}

std::vector<std::string> pathsOf(const SftpScanResult& result) {
    std::vector<std::string> paths;
    for (const SftpScanFile& file : result.files) paths.push_back(file.path);
    return paths;
}

TEST_F(SftpScan, SubfoldersComeFirstThenEachFoldersFilesInReverseListingOrder) {
    for (const char* name : {"x.jpg", "b.jpg", "a.png", "notes.txt", "s/y.jpg", "s/t/z.png", "fotos.jpg/.keep"}) {
        served.write(name, std::string(name));
    }
    std::filesystem::create_directory_symlink("s", served.file("enlace.jpg"));
    // Names no local file may take: a separator and a control character.
    served.write("mal\\nombre.jpg", "1");
    served.write("mal\x01.jpg", "2");
    server().serve(served.path());

    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);
    std::vector<std::string> reported;
    SftpScanOptions o;
    o.accept = isImage;
    o.found = [&reported](const std::string& name, size_t count) {
        reported.push_back(name);
        EXPECT_EQ(count, reported.size());
    };
    const SftpScanResult result = scanSftpFolder(*connection, root + "/", o);
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_EQ(result.root, root);

    std::vector<std::string> expected = {root + "/s/t/z.png", root + "/s/y.jpg"};
    std::vector<std::string> own = namesInDiskOrder(served.path());
    std::reverse(own.begin(), own.end());
    for (const std::string& name : own) {
        // The link is listed by its own name as a file, and never followed.
        if (isImage(name) && name.find_first_of("\\\x01") == std::string::npos && name != "fotos.jpg") {
            expected.push_back(root + "/" + name);
        }
    }
    EXPECT_EQ(pathsOf(result), expected);
    EXPECT_EQ(reported.size(), expected.size());
    for (const SftpScanFile& file : result.files) {
        // Each file holds its own relative path; the link's size is its own, not its target's.
        const std::string relative = file.path.substr(root.size() + 1);
        EXPECT_EQ(file.size, relative == "enlace.jpg" ? uint64_t(1) : uint64_t(relative.size())) << relative;
        EXPECT_TRUE(file.modified);
    }

    ASSERT_EQ(result.problems.size(), 2u);
    for (const SftpScanProblem& problem : result.problems) {
        EXPECT_EQ(problem.folder, root);
        EXPECT_EQ(problem.failure, SftpFailure::UnsafeName);
        EXPECT_EQ(problem.nameProblem,
                  problem.name == "mal\\nombre.jpg" ? ListedNameProblem::Separator : ListedNameProblem::ControlCharacter);
    }
    EXPECT_FALSE(result.stopped);

    SftpScanOptions flat = o;
    flat.recursive = false;
    flat.found = nullptr;
    EXPECT_EQ(scanSftpFolder(*connection, root, flat).files.size(), expected.size() - 2);
}

TEST_F(SftpScan, AnUnreadableSubfolderIsReportedAndItsSiblingsStillScanned) {
    served.write("a/1.jpg", "1");
    served.write("b/2.jpg", "2");
    served.write("c/3.jpg", "3");
    server().serve(served.path());
    ::chmod(served.file("b").c_str(), 0);
    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);
    const SftpScanResult result = scanSftpFolder(*connection, root, {});
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_EQ(result.files.size(), 2u);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].folder, root + "/b");
    EXPECT_EQ(result.problems[0].failure, SftpFailure::ListingFailed);

    EXPECT_EQ(scanSftpFolder(*connection, root + "/missing", {}).failure, SftpFailure::FolderMissing);
    EXPECT_TRUE(connection->usable());
}

TEST_F(SftpScan, DepthAndEntryCountAreBounded) {
    std::string deep;
    for (int level = 0; level <= 66; ++level) {
        served.write("deep/" + deep + "f.jpg", "f");
        deep += "d/";
    }
    for (int i = 0; i < 30; ++i) served.write("wide/" + std::to_string(i) + ".jpg", "w");
    server().serve(served.path());
    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);

    const SftpScanResult tooDeep = scanSftpFolder(*connection, root + "/deep", {});
    EXPECT_EQ(tooDeep.files.size(), size_t(kSftpMaxScanDepth + 1));  // the root and 64 levels below
    ASSERT_EQ(tooDeep.problems.size(), 1u);
    EXPECT_EQ(tooDeep.problems[0].failure, SftpFailure::OverBound);
    EXPECT_EQ(std::count(tooDeep.problems[0].folder.begin(), tooDeep.problems[0].folder.end(), '/'),
              std::count(root.begin(), root.end(), '/') + 1 + kSftpMaxScanDepth + 1);

    SftpScanOptions few;
    few.maxEntries = 10;
    const SftpScanResult tooMany = scanSftpFolder(*connection, root + "/wide", few);
    EXPECT_TRUE(tooMany.stopped);
    EXPECT_EQ(tooMany.stopReason, SftpFailure::OverBound);
    EXPECT_LE(tooMany.files.size(), 10u);
}

}  // namespace
}  // namespace tesselon

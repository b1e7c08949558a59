// tesselon-batch against servers whose listings never end: the scan stops at its
// bound of path text or at --scan-timeout, says which, and what it found before is
// converted; never a crash, never "cannot connect".
#include <gtest/gtest.h>

#include <chrono>

#include "cli/cli_options.h"
#include "cli_test_support.h"
#include "support/paramiko_test_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/tree_ftp_server.h"

namespace tesselon {
namespace {

using testing::listingLine;
using Transfer = testing::TreeFtpServer::Transfer;

TEST(BatchCliRemoteBounds, TheScanTimeoutIsAWholeNumberOfSecondsUpToAWeek) {
    const auto parsed = [](const char* seconds) { return parseCliOptions({"--remote", "--scan-timeout", seconds}); };
    EXPECT_EQ(parsed("1").options->remote.scanTimeout, 1);
    EXPECT_EQ(parsed("604800").options->remote.scanTimeout, 604800);
    for (const char* refused : {"0", "-5", "1.5", "604801", "soon"})
        EXPECT_EQ(parsed(refused).error, "--scan-timeout must be a whole number of seconds from 1 to 604800")
            << refused;
    EXPECT_FALSE(parseCliOptions({"--remote"}).options->remote.scanTimeout);
}

// /imgs holds photo0.jpg and a folder whose listing repeats 500 names of 900 bytes
// without end: the scan stops at 64 MiB of path text, and photo0.jpg is still converted.
TEST(BatchCliRemoteBounds, AListingPastTheBoundOfPathTextStopsTheScanNamingTheBound) {
    testing::TempDir served, dir;
    testing::writeImages(served, "imgs", 1);
    const std::string image = testing::readFile(served.file("imgs/photo0.jpg"));
    std::string lines;
    for (int i = 0; i < 500; ++i) lines += listingLine(std::to_string(1000 + i) + std::string(896, 'n') + ".dat", 1);
    testing::TreeFtpServer server;
    server.list = [&](const std::string& folder) -> std::optional<Transfer> {
        if (folder == "/imgs")
            return Transfer{listingLine("photo0.jpg", int64_t(image.size())) + listingLine("many", 0, true)};
        if (folder == "/imgs/many") return Transfer{lines, true};
        return std::nullopt;
    };
    server.retrieve = [&](const std::string& path) -> std::optional<Transfer> {
        if (path == "/imgs/photo0.jpg") return Transfer{image};
        return std::nullopt;
    };
    server.start();
    ASSERT_NE(server.port(), 0);
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", "pw"};

    const testing::CliRun run = testing::cli(
        {"--remote", "--server", "127.0.0.1", "--port", std::to_string(server.port()), "--user", "u",
         "--remote-folder", "/imgs/", "--passive", "--subfolders", "--download-to", dir.file("down"), "--dest",
         dir.file("out"), "--report", dir.file("report.json")},
        dir);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("skipped '/imgs/many': the server listed more than 64 MiB of path text; the scan "
                           "stopped here"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("cannot connect"), std::string::npos) << run.err;
    EXPECT_EQ(testing::resultsUnder(dir.file("out/")).size(), 1u);
    EXPECT_NE(testing::readFile(dir.file("report.json")).find("64 MiB of path text"), std::string::npos);
}

// Every folder of the SFTP server takes a while to list, 64 deep: --scan-timeout ends
// the scan, which says so and names the time it had.
TEST(BatchCliRemoteBounds, AScanPastItsTimeoutStopsNamingTheTimeout) {
    testing::DeepSftpServer server(testing::DeepTree{64, 10, 1, "dat", 0.3});
    ASSERT_NE(server.port(), 0) << "python3-paramiko is needed";
    testing::TempDir home, dir;
    testing::ScopedEnv noKnownHosts{"HOME", home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", testing::DeepSftpServer::kPassword};

    const testing::CliRun run = testing::cli(
        {"--remote", "--protocol", "sftp", "--server", "127.0.0.1", "--port", std::to_string(server.port()),
         "--user", testing::DeepSftpServer::kUser, "--host-key", server.fingerprint(), "--remote-folder", "/tree/",
         "--subfolders", "--scan-timeout", "1", "--download-to", dir.file("down"), "--dest", dir.file("out")},
        dir);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("the remote scan stopped at its time limit of 1 s (--scan-timeout)"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("skipped '/tree/d01"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("': the scan's time ran out (--scan-timeout); it stopped here"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("cannot connect"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tesselon

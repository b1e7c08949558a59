// The walk against a server whose tree never ends (tests/support/deep_sftp_server.py):
// 64 levels of 250-byte names and 5,000 files each would take gigabytes to hold. The
// walk holds paths to a length, its path text to a total, and itself to a deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "remote/sftp/sftp_scan.h"
#include "support/paramiko_test_server.h"

namespace tesselon {
namespace {

using std::chrono::steady_clock;
using testing::DeepSftpServer;
using testing::DeepTree;

// A fresh server of `tree` and a connection to it, its key accepted; no connection
// when python3-paramiko is missing.
struct DeepConnection {
    explicit DeepConnection(const DeepTree& tree) : server(tree) {
        if (server.port() == 0) return;
        SftpConnectOptions o;
        o.host = "127.0.0.1";
        o.port = server.port();
        o.user = DeepSftpServer::kUser;
        o.password = DeepSftpServer::kPassword;
        o.knownHosts.accepted = scratch.file("known_hosts");
        o.acceptedFingerprint = server.fingerprint();
        o.timeouts.idle = std::chrono::seconds(10);
        SftpConnectResult connected = SftpConnection::connect(o);
        EXPECT_EQ(connected.failure, SftpFailure::None);
        connection = std::move(connected.connection);
    }

    testing::TempDir scratch;
    DeepSftpServer server;
    std::optional<SftpConnection> connection;
};

uint64_t pathBytes(const SftpScanResult& result) {
    uint64_t bytes = 0;
    for (const SftpScanFile& file : result.files) bytes += file.path.size();
    return bytes;
}

TEST(SftpScanBounds, NamesThatMakeAPathPastTheBoundAreRefusedAndTheWalkGoesOn) {
    DeepConnection deep(DeepTree{64, 250, 2, "jpg"});
    ASSERT_TRUE(deep.connection) << "python3-paramiko is needed";

    const SftpScanResult result = scanSftpFolder(*deep.connection, "/tree", {});
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_FALSE(result.stopped);
    size_t longest = 0;
    for (const SftpScanFile& file : result.files) longest = std::max(longest, file.path.size());
    EXPECT_LE(longest, kMaxListedPathBytes);
    EXPECT_GT(longest, kMaxListedPathBytes - 251);  // one level less would have fitted
    // Each level below the last that fits gives its two files.
    EXPECT_EQ(result.files.size(), 2 * (1 + (longest - 256) / 251));
    // The deepest folder entered names its two files and its subfolder, and is the end.
    ASSERT_EQ(result.problems.size(), 3u);
    for (const SftpScanProblem& problem : result.problems) {
        EXPECT_EQ(problem.nameProblem, ListedNameProblem::PathTooLong);
        EXPECT_EQ(problem.failure, SftpFailure::UnsafeName);
        EXPECT_LE(problem.folder.size(), kMaxListedPathBytes);
        EXPECT_GT(problem.folder.size() + 1 + problem.name.size(), kMaxListedPathBytes);
    }
}

TEST(SftpScanBounds, TheWalkStopsAtItsBoundOfPathTextKeepingWhatItFound) {
    DeepConnection deep(DeepTree{64, 250, 5000, "jpg"});
    ASSERT_TRUE(deep.connection) << "python3-paramiko is needed";

    SftpScanOptions options;
    options.maxPathBytes = 4 << 20;
    const SftpScanResult result = scanSftpFolder(*deep.connection, "/tree", options);
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.limit, SftpScanLimit::PathBytes);
    EXPECT_EQ(result.stopReason, SftpFailure::OverBound);
    // The root's files and its subfolder's, then part of the next level's.
    EXPECT_GT(result.files.size(), 10'000u);
    EXPECT_LT(result.files.size(), 15'000u);
    EXPECT_LE(pathBytes(result), options.maxPathBytes);
    EXPECT_EQ(std::count(result.stoppedIn.begin(), result.stoppedIn.end(), '/'), 3);  // /tree/d01.../d02...
    EXPECT_TRUE(deep.connection->usable());
}

TEST(SftpScanBounds, TheWalkStopsAtItsDeadlineBetweenListingsAndDuringOne) {
    DeepConnection slow(DeepTree{64, 10, 1, "jpg", 0.3});
    ASSERT_TRUE(slow.connection) << "python3-paramiko is needed";

    SftpScanOptions options;
    options.deadline = steady_clock::now() + std::chrono::milliseconds(1500);
    SftpScanResult result = scanSftpFolder(*slow.connection, "/tree", options);
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.limit, SftpScanLimit::Deadline);
    EXPECT_EQ(result.stopReason, SftpFailure::TimedOut);
    EXPECT_TRUE(result.problems.empty());
    // What the levels listed in time hold is kept; far from all 65 levels were.
    EXPECT_GE(result.files.size(), 1u);
    EXPECT_LT(result.files.size(), 65u);
    // The walk's deadline was its own: a connection it did not cut takes operations
    // again.
    if (slow.connection->usable()) {
        EXPECT_EQ(slow.connection->list("/tree").failure, SftpFailure::None);
    }

    // A listing that has not begun when the time is up is cut short, and that is the
    // deadline, not a folder that failed.
    DeepConnection stalled(DeepTree{64, 10, 1, "jpg", 4});
    ASSERT_TRUE(stalled.connection);
    options.deadline = steady_clock::now() + std::chrono::seconds(1);
    result = scanSftpFolder(*stalled.connection, "/tree", options);
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.limit, SftpScanLimit::Deadline);
    EXPECT_TRUE(result.files.empty());
    EXPECT_EQ(result.stoppedIn, "/tree");
}

}  // namespace
}  // namespace tesselon

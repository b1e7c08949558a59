// Downloads over SFTP from a real sshd on 127.0.0.1: whole files or nothing.
#include <atomic>
#include <chrono>
#include <random>

#include "sftp_test_fixture.h"
#include "support/stalling_relay.h"

namespace tesselon {
namespace {

using testing::filesUnder;
using testing::readFile;

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(random());
    return bytes;
}

using SftpDownload = SftpTest;

TEST_F(SftpDownload, FilesArriveIdenticalWithTheirProgressAndReplaceWhatWasThere) {
    const std::string big = randomBytes(3 * 1024 * 1024 + 17, 1);
    serveFile("fotos/big.jpg", big);
    serveFile("fotos/empty.jpg", "");
    local.write("big.jpg", "an older file");
    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);

    std::vector<uint64_t> progress;
    SftpDownloadOptions listed;
    listed.listedSize = big.size();
    listed.progress = [&progress](uint64_t bytes) { progress.push_back(bytes); };
    EXPECT_EQ(connection->download(root + "/fotos/big.jpg", local.file("big.jpg"), listed), SftpFailure::None);
    EXPECT_TRUE(readFile(local.file("big.jpg")) == big);
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), big.size());

    // Without a listed size the file's own size is taken, under the bound.
    EXPECT_EQ(connection->download(root + "/fotos/big.jpg", local.file("unlisted.jpg")), SftpFailure::None);
    EXPECT_TRUE(readFile(local.file("unlisted.jpg")) == big);
    SftpDownloadOptions empty;
    empty.listedSize = 0;
    EXPECT_EQ(connection->download(root + "/fotos/empty.jpg", local.file("empty.jpg"), empty), SftpFailure::None);
    EXPECT_EQ(filesUnder(local.path()).size(), 3u);  // no temporary left beside them
    EXPECT_EQ(filesUnder(local.path()).at("empty.jpg"), "");
}

TEST_F(SftpDownload, AFileOfAnotherSizeThanListedOrMissingLeavesTheLocalFileAsItWas) {
    serveFile("a.jpg", std::string(100'000, 'a'));
    local.write("a.jpg", "kept");
    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);
    SftpDownloadOptions o;

    o.listedSize = 99'999;  // the server sends more than its listing said
    EXPECT_EQ(connection->download(root + "/a.jpg", local.file("a.jpg"), o), SftpFailure::OverBound);
    o.listedSize = 100'001;  // and less
    EXPECT_EQ(connection->download(root + "/a.jpg", local.file("a.jpg"), o), SftpFailure::ShorterThanListed);
    EXPECT_EQ(connection->download(root + "/none.jpg", local.file("none.jpg"), o), SftpFailure::TransferFailed);
    EXPECT_EQ(filesUnder(local.path()), (std::map<std::string, std::string>{{"a.jpg", "kept"}}));

    // The connection is still good for the next file.
    EXPECT_TRUE(connection->usable());
    o.listedSize = 100'000;
    EXPECT_EQ(connection->download(root + "/a.jpg", local.file("a.jpg"), o), SftpFailure::None);
    EXPECT_EQ(readFile(local.file("a.jpg")), std::string(100'000, 'a'));
}

TEST_F(SftpDownload, CancelStopsTheTransferAndEndsTheConnection) {
    serveFile("big.jpg", randomBytes(8 * 1024 * 1024, 2));
    std::optional<SftpConnection> connection = connect();
    ASSERT_TRUE(connection);
    std::atomic<bool> cancel{false};
    SftpDownloadOptions o;
    o.cancel = &cancel;
    o.progress = [&cancel](uint64_t) { cancel = true; };
    EXPECT_EQ(connection->download(root + "/big.jpg", local.file("big.jpg"), o), SftpFailure::Cancelled);
    EXPECT_TRUE(filesUnder(local.path()).empty());
    EXPECT_FALSE(connection->usable());
    EXPECT_EQ(connection->list(root).failure, SftpFailure::ConnectionLost);
}

TEST_F(SftpDownload, AServerThatStopsAnsweringFailsWithinTheIdleBound) {
    serveFile("big.jpg", randomBytes(16 * 1024 * 1024, 3));
    SftpConnectOptions o = options();
    o.timeouts.idle = std::chrono::milliseconds(500);

    // Silent from the start: the connection itself times out.
    {
        testing::StallingRelay relay(server().port());
        relay.stall();
        o.port = relay.port();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::TimedOut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    }
    // Silent in the middle of a transfer; the bound leaves a busy machine time for the
    // login.
    testing::StallingRelay relay(server().port());
    o.port = relay.port();
    o.timeouts.idle = std::chrono::milliseconds(2000);
    std::optional<SftpConnection> connection = connect(o);
    ASSERT_TRUE(connection);
    SftpDownloadOptions stalling;
    stalling.listedSize = 16 * 1024 * 1024;
    stalling.progress = [&relay](uint64_t) { relay.stall(); };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connection->download(root + "/big.jpg", local.file("big.jpg"), stalling), SftpFailure::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(filesUnder(local.path()).empty());
    EXPECT_FALSE(connection->usable());
}

}  // namespace
}  // namespace tesselon

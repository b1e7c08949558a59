// A session that fetches one file after another asks for the next data connection the
// moment a file has arrived whole, before its owner names the next file.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "remote/ftp_client.h"
#include "remote/ftp_session.h"
#include "runtime/fs/file_descriptor.h"
#include "support/ftp_test_server.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::TempDir;
using Strings = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

std::optional<FtpSession> connectTo(uint16_t port, const char* user = "u", const char* password = "p") {
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = port;
    options.user = user;
    options.password = password;
    options.timeoutSeconds = 30;
    return std::move(FtpSession::connect(options).session);
}

int64_t waitForEnd(FtpSession& session) {
    for (int i = 0; i < 1000; ++i) {
        session.waitForTransfer(10);
        const int64_t p = session.progress();
        if (p == kFtpTransferDone || p == kFtpTransferFailed) return p;
    }
    return 0;
}

bool waitFor(const std::atomic<bool>& flag) {
    for (int i = 0; i < 500 && !flag; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return flag;
}

std::string passiveReply(uint16_t port) {
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
           ")\r\n";
}

// Reads PASV and answers it with a fresh listener.
void answerPasvOnly(FtpConversation& c) {
    EXPECT_EQ(c.command(), "PASV");
    c.send(passiveReply(c.listenForData()));
}

// RETR answered with 150, `bytes` on the data connection, then 226.
void serveFile(FtpConversation& c, std::string_view bytes) {
    c.answer("150 sending\r\n");
    testing::sendAndClose(c.acceptData(), bytes);
    c.send("226 done\r\n");
}

// A port nothing listens on any more.
uint16_t closedPort() {
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

TEST(FtpNextFile, TheNextDataConnectionIsAskedForBeforeTheOwnerNamesTheFile) {
    TempDir dir;
    std::atomic<bool> askedAhead{false};
    ScriptedFtpServer server([&](FtpConversation& c) {
        c.login();
        c.answerPassive();
        serveFile(c, "first");
        answerPasvOnly(c);
        askedAhead = true;
        serveFile(c, "second file");
        c.command();  // the PASV after the second, left unanswered
        c.command();
    });
    std::optional<FtpSession> session = connectTo(server.port());
    ASSERT_TRUE(session);
    session->prepareDataAfterDownloads(true);
    ASSERT_TRUE(session->startDownload("/d/a.jpg", dir.file("a.jpg"), 5));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferDone);
    ASSERT_TRUE(waitFor(askedAhead));
    ASSERT_TRUE(session->startDownload("/d/b.jpg", dir.file("b.jpg"), 11));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferDone);
    EXPECT_EQ(testing::filesUnder(dir.path()), (Files{{"a.jpg", "first"}, {"b.jpg", "second file"}}));

    const auto start = std::chrono::steady_clock::now();
    session.reset();  // the unanswered PASV does not hold the end of the session
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    server.finish();
    // One PASV and one RETR a file, nothing else between them.
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "TYPE I", "PASV", "RETR /d/a.jpg", "PASV",
                                          "RETR /d/b.jpg", "PASV", "QUIT"}));
}

TEST(FtpNextFile, AListenerTheServerLetGoIsReplacedByAFreshOne) {
    TempDir dir;
    ScriptedFtpServer server([&](FtpConversation& c) {
        c.login();
        c.answerPassive();
        serveFile(c, "first");
        EXPECT_EQ(c.command(), "PASV");
        c.send(passiveReply(closedPort()));
        answerPasvOnly(c);
        serveFile(c, "second");
        c.command();
        c.command();
    });
    std::optional<FtpSession> session = connectTo(server.port());
    ASSERT_TRUE(session);
    session->prepareDataAfterDownloads(true);
    ASSERT_TRUE(session->startDownload("a.jpg", dir.file("a.jpg"), 5));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferDone);
    ASSERT_TRUE(session->startDownload("b.jpg", dir.file("b.jpg"), 6));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferDone);
    EXPECT_EQ(testing::filesUnder(dir.path()), (Files{{"a.jpg", "first"}, {"b.jpg", "second"}}));
}

TEST(FtpNextFile, AbortDoesNotWaitForAServerSilentAfterTheAskAhead) {
    TempDir dir;
    std::atomic<bool> asked{false};
    ScriptedFtpServer server([&](FtpConversation& c) {
        c.login();
        c.answerPassive();
        serveFile(c, "first");
        EXPECT_EQ(c.command(), "PASV");
        asked = true;
        c.command();  // silent until the client goes
    });
    std::optional<FtpSession> session = connectTo(server.port());
    ASSERT_TRUE(session);
    session->prepareDataAfterDownloads(true);
    ASSERT_TRUE(session->startDownload("a.jpg", dir.file("a.jpg"), 5));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferDone);
    ASSERT_TRUE(waitFor(asked));
    const auto start = std::chrono::steady_clock::now();
    session->abort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Its reply may still come: the session can no longer be trusted.
    EXPECT_FALSE(session->check());
    EXPECT_EQ(testing::filesUnder(dir.path()), (Files{{"a.jpg", "first"}}));
}

TEST(FtpNextFile, AFailedFileIsNotFollowedByAnAskAhead) {
    TempDir dir;
    ScriptedFtpServer server([&](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.answer("550 no such file\r\n");
        c.answer("257 \"/\" is current\r\n");
        c.command();
    });
    std::optional<FtpSession> session = connectTo(server.port());
    ASSERT_TRUE(session);
    session->prepareDataAfterDownloads(true);
    ASSERT_TRUE(session->startDownload("gone.jpg", dir.file("gone.jpg"), 5));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferFailed);
    EXPECT_EQ(session->currentDir(), "/");
    session.reset();
    server.finish();
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "TYPE I", "PASV", "RETR gone.jpg", "PWD", "QUIT"}));
}

// Against pyftpdlib: files of many sizes one after another over one client, each byte
// for byte and asked for once, and the session still lists its folder afterwards.
TEST(FtpNextFile, ARealServerServesEveryFileWholeAndTheSessionListsAfterwards) {
    TempDir served, local;
    Files expected;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "f" + std::to_string(i) + ".jpg";
        const std::string bytes(size_t(1 + 37013 * i), char('a' + i));
        served.write("up/" + name, bytes);
        expected[name] = bytes;
    }
    const std::string log = local.file("server.log");
    testing::FtpTestServer server(served.path(), {log});
    ASSERT_NE(server.port(), 0);
    std::optional<FtpSession> session =
        connectTo(server.port(), testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword);
    ASSERT_TRUE(session);
    FtpClient client(std::make_shared<FtpSession>(std::move(*session)), false);
    client.prepareFetches();
    TempDir into;
    for (const auto& [name, bytes] : expected) {
        ASSERT_TRUE(client.startFetch("/up/" + name, fileAt(into.file(name)), int64_t(bytes.size()), kMaxDownloadSize));
        int64_t progress = kFtpTransferStarting;
        for (int i = 0; i < 1000 && progress != kFtpTransferDone && progress != kFtpTransferFailed; ++i)
            progress = client.pollFetch(10);
        ASSERT_EQ(progress, kFtpTransferDone) << name;
    }
    EXPECT_EQ(testing::filesUnder(into.path()), expected);
    std::istringstream logged(testing::readFile(log));
    size_t retrieved = 0;
    for (std::string line; std::getline(logged, line);) retrieved += line.starts_with("RETR ") ? 1 : 0;
    EXPECT_EQ(retrieved, expected.size());

    const RemoteListing listing = client.list("/up");
    EXPECT_EQ(listing.failure, RemoteFailure::None);
    EXPECT_EQ(listing.entries.size(), expected.size());
    EXPECT_TRUE(client.usable());
}

}  // namespace
}  // namespace tesselon

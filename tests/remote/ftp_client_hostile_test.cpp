// The client against a scripted server that says what a well-behaved one never would.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "remote/ftp_session.h"
#include "remote/ftp_sessions.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::TempDir;
using Strings = std::vector<std::string>;

std::optional<FtpSession> connectTo(const ScriptedFtpServer& server, bool passive = true, int timeout = 2,
                                    int replyDeadline = kFtpDefaultReplyDeadline) {
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server.port();
    options.user = "u";
    options.password = "p";
    options.passive = passive;
    options.timeoutSeconds = timeout;
    options.replyDeadlineSeconds = replyDeadline;
    return std::move(FtpSession::connect(options).session);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Logs in, then answers TYPE and PASV, the transfer command with 150, and accepts the
// data connection.
FileDescriptor startTransfer(FtpConversation& c) {
    c.login();
    c.answerPassive();
    c.answer("150 sending\r\n");
    return c.acceptData();
}

int64_t waitForEnd(const FtpSession& session) {
    for (int i = 0; i < 4000; ++i) {
        const int64_t p = session.progress();
        if (p == kFtpTransferDone || p == kFtpTransferFailed) return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

TEST(FtpClientHostile, MultiLineGreetingInOneChunkIsReadBeforeUser) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.send("220-Welcome\r\n220-second line\r\n220 ready\r\n");
        c.answer("331 pw\r\n");
        c.answer("230 in\r\n");
        c.answer("250 ok\r\n");
    });
    std::optional<FtpSession> session = connectTo(server);
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->changeDir(".."));
    session.reset();
    server.finish();
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "CDUP", "QUIT"}));
}

TEST(FtpClientHostile, UserAnsweredWith230IsAFailedLoginThatStillSaysQuit) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.send("220 hi\r\n");
        c.answer("230 come in, no password needed\r\n");
    });
    EXPECT_FALSE(connectTo(server));
    server.finish();
    EXPECT_EQ(server.commands(), (Strings{"USER u", "QUIT"}));
}

TEST(FtpClientHostile, LineBreaksInArgumentsAreNeverSent) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");
    });
    std::optional<FtpSession> session = connectTo(server);
    ASSERT_TRUE(session);
    EXPECT_FALSE(session->changeDir("fotos\r\nDELE important.jpg"));
    EXPECT_FALSE(session->makeDir("x\ny"));
    EXPECT_FALSE(session->changeDir(std::string(2000, 'd')));
    EXPECT_TRUE(session->changeDir("fine"));
    session.reset();
    server.finish();
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "CWD fine", "QUIT"}));
}

TEST(FtpClientHostile, PassiveReplyMustHoldSixNumbersAndOnlyItsPortIsTrusted) {
    TempDir dir;
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("200 type\r\n");
        c.answer("227 ok 10,0,0,1,4\r\n");
        // The reply names a host no test may reach; the data must still come from here.
        // (TYPE A is in force already: it is not sent again.)
        const uint16_t port = c.listenForData();
        c.answer("227 Entering Passive Mode (203,0,113,9," + std::to_string(port / 256) + "," +
                 std::to_string(port % 256) + ")\r\n");
        c.answer("150 here it comes\r\n");
        testing::sendAndClose(c.acceptData(),
                              "-rw-r--r-- 1 o g 3 Jan 1 2020 x.jpg\r\n-rw-r--r-- 1 o g 4 Jan 1 2020 y.jpg\r\n");
        c.send("226 done\r\n");
    });
    std::optional<FtpSession> session = connectTo(server);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->list(), FtpListOutcome::NotStarted);
    ASSERT_EQ(session->list(), FtpListOutcome::Complete);
    ASSERT_TRUE(session->nextEntry());
    EXPECT_EQ(session->entry()->name, "y.jpg");
}

TEST(FtpClientHostile, ListingSplitAcrossReceivesIsParsedOnceWhole) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.answer("150 listing\r\n");
        FileDescriptor data = c.acceptData();
        const std::string part1 = "total 2\r\n-rw-r--r-- 1 o g 12 Jan 1 2020 sp";
        const std::string part2 = "lit name.jpg\r\ndrwxr-xr-x 2 o g 0 Jan 1 2020 ..\r\n";
        writeAll(data.get(), part1.data(), part1.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        writeAll(data.get(), part2.data(), part2.size());
        data.reset();
        c.send("226 done\r\n");
        c.answer("257 \"/\" is current\r\n");
    });
    std::optional<FtpSession> session = connectTo(server);
    ASSERT_TRUE(session);
    ASSERT_EQ(session->list(), FtpListOutcome::Complete);
    std::vector<std::string> names;
    while (session->nextEntry()) names.push_back(session->entry()->name);
    EXPECT_EQ(names, (Strings{"..", "split name.jpg"}));
    // The final reply was read with the listing: the next command gets its own.
    EXPECT_EQ(session->currentDir(), "/");
}

TEST(FtpClientHostile, ActiveModeAcceptsTheServersDataConnection) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("200 type\r\n");
        const std::string port = c.command();
        c.send("200 port ok\r\n");
        // PORT a1,a2,a3,a4,p1,p2
        int numbers[6] = {};
        std::sscanf(port.c_str(), "PORT %d,%d,%d,%d,%d,%d", &numbers[0], &numbers[1], &numbers[2], &numbers[3],
                    &numbers[4], &numbers[5]);
        c.answer("150 opening\r\n");
        testing::sendAndClose(FtpConversation::connectTo(uint16_t(numbers[4] * 256 + numbers[5])),
                              "drwxr-xr-x 2 o g 0 Jan 1 2020 d\r\n");
        c.send("226 done\r\n");
    });
    std::optional<FtpSession> session = connectTo(server, false);
    ASSERT_TRUE(session);
    ASSERT_EQ(session->list(), FtpListOutcome::Complete);
    ASSERT_TRUE(session->nextEntry());
    EXPECT_EQ(session->entry()->type, kFtpEntryDirectory);
    EXPECT_EQ(server.commands()[3].rfind("PORT 127,0,0,1,", 0), 0u);
}

TEST(FtpClientHostile, StalledDownloadFailsWithinTheTimeoutAndLeavesNoFileUnderItsName) {
    TempDir dir;
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.answer("150 sending\r\n");
        FileDescriptor data = c.acceptData();
        writeAll(data.get(), "partial", 7);
        // ... and then nothing, with the connection held open.
        c.command();
    });
    std::optional<FtpSession> session = connectTo(server, true, 1);
    ASSERT_TRUE(session);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(session->startDownload("big.jpg", dir.file("big.jpg"), 1000));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(testing::filesUnder(dir.path()).empty());
    // The final reply never came: the session says it can no longer be trusted.
    EXPECT_FALSE(session->check());
}

TEST(FtpClientHostile, ConnectionClosedEarlyWithAnErrorReplyIsAFailedDownload) {
    TempDir dir;
    dir.write("a.jpg", "the old file");
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.answer("150 sending\r\n");
        testing::sendAndClose(c.acceptData(), "trunc");
        c.send("426 connection closed; transfer aborted\r\n");
        c.answer("257 \"/\"\r\n");
    });
    std::optional<FtpSession> session = connectTo(server);
    ASSERT_TRUE(session);
    ASSERT_TRUE(session->startDownload("a.jpg", dir.file("a.jpg"), 0));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferFailed);
    EXPECT_EQ(testing::filesUnder(dir.path()), (std::map<std::string, std::string>{{"a.jpg", "the old file"}}));
    EXPECT_TRUE(session->check());
}

TEST(FtpClientHostile, AbortStopsARunningDownloadAtOnce) {
    TempDir dir;
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.answer("150 sending\r\n");
        FileDescriptor data = c.acceptData();
        c.command();
    });
    std::optional<FtpSession> session = connectTo(server, true, 30);
    ASSERT_TRUE(session);
    session->abort();  // nothing runs yet: returns at once
    ASSERT_TRUE(session->startDownload("a.jpg", dir.file("a.jpg"), 0));
    EXPECT_EQ(session->progress(), kFtpTransferStarting);
    while (session->progress() == kFtpTransferStarting) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto start = std::chrono::steady_clock::now();
    session->abort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(session->progress(), kFtpTransferFailed);
    EXPECT_TRUE(testing::filesUnder(dir.path()).empty());
}

TEST(FtpClientHostile, SilentServerTimesOutTheLogin) {
    ScriptedFtpServer server([](FtpConversation& c) { c.command(); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connectTo(server, true, 1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// The server's whole script would last minutes: the client must give up on its own.
TEST(FtpClientHostile, EndlessMultiLineRepliesAreCutAtTheirLineCap) {
    std::string lines;
    for (int i = 0; i < 50; ++i) lines += "220-welcome, and there is more to say\r\n";
    ScriptedFtpServer greeting([&](FtpConversation& c) {
        while (c.send(lines)) {
        }
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connectTo(greeting, true, 30));
    EXPECT_LT(secondsSince(start), 10);

    // Endless "150-" lines after RETR: the download fails, and with it the session.
    TempDir dir;
    ScriptedFtpServer retrieve([](FtpConversation& c) {
        c.login();
        c.answerPassive();
        c.command();
        while (c.send("150-still opening the file\r\n150-and still\r\n")) {
        }
    });
    std::optional<FtpSession> session = connectTo(retrieve, true, 30);
    ASSERT_TRUE(session);
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(session->startDownload("a.jpg", dir.file("a.jpg"), 10));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferFailed);
    EXPECT_EQ(session->transferFailure(), FtpTransferFailure::NotStarted);
    EXPECT_LT(secondsSince(begun), 10);
    EXPECT_FALSE(session->check());
    EXPECT_TRUE(testing::filesUnder(dir.path()).empty());
}

// One byte at a time, each well inside the idle bound: the whole reply has a deadline.
TEST(FtpClientHostile, TrickledReplyFailsAtTheReplyDeadline) {
    ScriptedFtpServer server([](FtpConversation& c) {
        for (char byte : std::string("220 slowly, one byte at a time, but it does come\r\n")) {
            if (!c.send(std::string_view(&byte, 1))) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connectTo(server, true, 2, 1));
    // The greeting alone would take ten seconds.
    EXPECT_LT(secondsSince(start), 5);
}

// A byte now and then, just inside the idle bound, is not a transfer that goes on.
TEST(FtpClientHostile, TrickledDataStallsTheTransfer) {
    TempDir dir;
    ScriptedFtpServer server([](FtpConversation& c) {
        FileDescriptor data = startTransfer(c);
        for (int i = 0; i < 100; ++i) {
            if (::send(data.get(), "t", 1, MSG_NOSIGNAL) != 1) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        }
    });
    std::optional<FtpSession> session = connectTo(server, true, 2);
    ASSERT_TRUE(session);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(session->startDownload("slow.jpg", dir.file("slow.jpg"), 100));
    EXPECT_EQ(waitForEnd(*session), kFtpTransferFailed);
    EXPECT_EQ(session->transferFailure(), FtpTransferFailure::Stalled);
    EXPECT_LT(secondsSince(start), 10);
}

}  // namespace
}  // namespace tesselon

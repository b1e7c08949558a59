// The client over explicit TLS: against Debian's vsftpd, which insists on encrypted
// logins and data and on data connections that resume the control connection's
// session; and against scripted servers that refuse encryption or try to slip plain
// text past it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "remote/ftp_session.h"
#include "remote/ftp_sessions.h"
#include "support/scripted_ftp_server.h"
#include "support/stalling_relay.h"
#include "support/temp_dir.h"
#include "support/vsftpd_test_server.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::TempDir;
using testing::VsftpdTestServer;

FtpConnectOptions ftpsOptions(uint16_t port, const std::string& caFile) {
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = port;
    options.user = VsftpdTestServer::kUser;
    options.password = "secreto";
    options.timeoutSeconds = 5;
    options.tls = true;
    options.tlsContext = TlsClientContext::make(caFile);
    return options;
}

bool downloaded(FtpSession& session, const std::string& name, const std::string& path, int64_t size) {
    if (!session.startDownload(name, path, size)) return false;
    for (int i = 0; i < 1000 && !session.waitForTransfer(10); ++i) {
    }
    return session.progress() == kFtpTransferDone;
}

bool sent(const std::vector<std::string>& commands, const std::string& word) {
    for (const std::string& c : commands)
        if (c.rfind(word, 0) == 0) return true;
    return false;
}

TEST(FtpsSession, ListsAndDownloadsOverTlsInBothDataModes) {
    TempDir served, local;
    const std::string photo(300000, 'p');
    served.write("fotos/a.jpg", photo);
    served.write("fotos/b.png", "bb");
    VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    for (const bool passive : {true, false}) {
        FtpConnectOptions options = ftpsOptions(server.port(), server.caFile());
        options.passive = passive;
        FtpConnectResult connected = FtpSession::connect(options);
        ASSERT_TRUE(connected.session) << int(connected.outcome.failure);
        EXPECT_EQ(connected.outcome.protocol, RemoteProtocol::Ftps);
        FtpSession& session = *connected.session;
        ASSERT_TRUE(session.changeDir("fotos"));
        ASSERT_EQ(session.list(), FtpListOutcome::Complete);
        std::vector<std::string> names;
        while (session.nextEntry()) names.push_back(session.entry()->name);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.png"}));
        // Each transfer is a data connection of its own, each resuming the session.
        const std::string target = local.file(passive ? "p.jpg" : "a.jpg");
        ASSERT_TRUE(downloaded(session, "a.jpg", target, int64_t(photo.size())));
        EXPECT_TRUE(testing::readFile(target) == photo);
        ASSERT_TRUE(downloaded(session, "b.png", local.file("b.png"), 2));
        EXPECT_EQ(testing::readFile(local.file("b.png")), "bb");
    }
    EXPECT_NE(server.commandsLog().find("PROT P"), std::string::npos);
}

TEST(FtpsSession, ACertificateForAnotherNameIsRefusedBeforeTheLogin) {
    TempDir served;
    served.write("a.jpg", "a");
    VsftpdTestServer server(served.path(), "ftp.example.org");
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    const FtpConnectResult connected = FtpSession::connect(ftpsOptions(server.port(), server.caFile()));
    EXPECT_FALSE(connected.session);
    const RemoteConnectOutcome& outcome = connected.outcome;
    EXPECT_EQ(outcome.failure, RemoteFailure::CertificateRefused);
    EXPECT_EQ(outcome.identity.certificate, CertificateProblem::WrongName);
    EXPECT_EQ(outcome.identity.fingerprint, server.fingerprint());
    EXPECT_EQ(outcome.identity.subject, "ftp.example.org");
    EXPECT_EQ(outcome.identity.protocol, RemoteProtocol::Ftps);
    // The server heard AUTH TLS and nothing after it.
    EXPECT_EQ(server.commandsLog(), "AUTH TLS\n");
}

TEST(FtpsSession, AnUnknownAuthorityIsRefusedUnlessTheCertificateIsPinned) {
    TempDir served;
    served.write("a.jpg", "a");
    VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    // The system's authorities know nothing of the throw-away one.
    FtpConnectOptions options = ftpsOptions(server.port(), "");
    FtpConnectResult connected = FtpSession::connect(options);
    EXPECT_EQ(connected.outcome.failure, RemoteFailure::CertificateRefused);
    EXPECT_EQ(connected.outcome.identity.certificate, CertificateProblem::Untrusted);
    EXPECT_EQ(connected.outcome.identity.fingerprint, server.fingerprint());
    EXPECT_EQ(server.commandsLog(), "AUTH TLS\n");

    options.pinnedCertificates = {std::string(64, 'a')};
    EXPECT_EQ(FtpSession::connect(options).outcome.failure, RemoteFailure::CertificateRefused);

    options.pinnedCertificates = {server.fingerprint()};
    connected = FtpSession::connect(options);
    ASSERT_TRUE(connected.session) << int(connected.outcome.failure);
    EXPECT_EQ(connected.session->currentDir(), "/");
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(FtpsSession, AnEncryptedDownloadStopsAtOnceWhenAborted) {
    TempDir served, local;
    served.write("slow.jpg", std::string(4 << 20, 's'));
    VsftpdTestServer server(served.path(), "127.0.0.1", 200000);
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    FtpConnectResult connected = FtpSession::connect(ftpsOptions(server.port(), server.caFile()));
    ASSERT_TRUE(connected.session);
    FtpSession& session = *connected.session;
    ASSERT_TRUE(session.startDownload("slow.jpg", local.file("slow.jpg"), 4 << 20));
    for (int i = 0; i < 500 && session.progress() <= 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(session.progress(), 0);
    const auto start = std::chrono::steady_clock::now();
    session.abort();
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(session.transferFailure(), FtpTransferFailure::Aborted);
    EXPECT_TRUE(testing::filesUnder(local.path()).empty());
}

TEST(FtpsSession, AServerFallingSilentOverTlsLosesTheSessionWithinItsTimeout) {
    TempDir served;
    served.write("a.jpg", "a");
    VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    testing::StallingRelay relay(server.port());
    FtpConnectOptions options = ftpsOptions(relay.port(), server.caFile());
    options.timeoutSeconds = 1;
    FtpConnectResult connected = FtpSession::connect(options);
    ASSERT_TRUE(connected.session) << int(connected.outcome.failure);
    relay.stall();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connected.session->currentDir(), "");
    EXPECT_LT(secondsSince(start), 3.0);
    EXPECT_FALSE(connected.session->check());
}

TEST(FtpsSession, AServerRefusingAuthTlsIsRefusedWithoutFallingBackToPlainFtp) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.send("220 hello\r\n");
        c.answer("500 AUTH not understood\r\n");
        c.command();  // whatever comes next, if anything
    });
    const FtpConnectResult connected = FtpSession::connect(ftpsOptions(server.port(), ""));
    EXPECT_FALSE(connected.session);
    EXPECT_EQ(connected.outcome.failure, RemoteFailure::TlsRefused);
    EXPECT_EQ(connected.outcome.replyCode, 500);
    const std::vector<std::string> commands = server.commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "AUTH TLS");
    EXPECT_FALSE(sent(commands, "USER"));
    EXPECT_FALSE(sent(commands, "PASS"));
}

TEST(FtpsSession, PlainTextSentAfterTheGoAheadIsNotTakenAsTheServers) {
    // A man in the middle appends a reply of his own to the 234, hoping it is read after
    // the handshake as if it had come encrypted.
    ScriptedFtpServer server([](FtpConversation& c) {
        c.send("220 hello\r\n");
        c.answer("234 go ahead\r\n331 send the password\r\n");
        c.command();
    });
    const FtpConnectResult connected = FtpSession::connect(ftpsOptions(server.port(), ""));
    EXPECT_FALSE(connected.session);
    EXPECT_EQ(connected.outcome.failure, RemoteFailure::TlsFailed);
    EXPECT_FALSE(sent(server.commands(), "USER"));
}

}  // namespace
}  // namespace tesselon

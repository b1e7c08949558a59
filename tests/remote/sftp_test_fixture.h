// The SFTP tests' server (one sshd for the whole suite), the folder it serves, and the
// known-hosts files of one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "remote/sftp/sftp_connection.h"
#include "support/sshd_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {

class SftpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testing::SshdTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!server_->skipReason().empty()) GTEST_SKIP() << server_->skipReason();
        if (const std::string problem = server_->serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
        root = served.path().substr(0, served.path().size() - 1);
    }

    static testing::SshdTestServer& server() { return *server_; }

    // Writes a served file the test account can read.
    void serveFile(const std::string& name, const std::string& bytes) {
        served.write(name, bytes);
        server_->serve(served.path());
    }

    SftpConnectOptions options() const {
        SftpConnectOptions o;
        o.host = "127.0.0.1";
        o.port = server_->port();
        o.user = testing::SshdTestServer::kUser;
        o.password = server_->password();
        o.knownHosts = KnownHostsFiles{{keys.file("user_known_hosts")}, keys.file("known_hosts")};
        o.timeouts.idle = std::chrono::seconds(5);
        o.timeouts.operation = std::chrono::seconds(10);
        return o;
    }

    // A connection that accepts the server's key.
    std::optional<SftpConnection> connect(SftpConnectOptions o) {
        o.acceptedFingerprint = server_->fingerprint();
        SftpConnectResult result = SftpConnection::connect(o);
        EXPECT_EQ(result.failure, SftpFailure::None);
        return std::move(result.connection);
    }
    std::optional<SftpConnection> connect() { return connect(options()); }

    testing::TempDir served;  // what the server offers
    testing::TempDir keys;    // known-hosts files
    testing::TempDir local;   // downloads
    std::string root;         // `served` without its trailing "/"

private:
    static inline std::unique_ptr<testing::SshdTestServer> server_;
};

}  // namespace tesselon

// The one remote client over each protocol against real servers on 127.0.0.1: what
// an upload leaves on the server, a rename, a listing and a fetch through the same calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "remote/ftp_client.h"
#include "remote/sftp/sftp_client.h"
#include "sftp_test_fixture.h"
#include "support/ftp_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpTestServer;
using testing::TempDir;

std::unique_ptr<RemoteClient> ftpClient(const FtpTestServer& server, const char* password = FtpTestServer::kPassword) {
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server.port();
    options.user = FtpTestServer::kUser;
    options.password = password;
    options.timeoutSeconds = 5;
    FtpClientResult connected = FtpClient::connect(options);
    if (!connected.client) return nullptr;
    return std::make_unique<FtpClient>(std::move(*connected.client));
}

std::vector<std::string> namesOf(const RemoteListing& listing) {
    std::vector<std::string> names;
    for (const RemoteEntry& e : listing.entries) {
        if (e.name != "." && e.name != "..") names.push_back(e.name + (e.kind == RemoteEntryKind::Folder ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The calls every protocol answers alike: store, rename, list, fetch, makeFolder.
void storeRenameListFetch(RemoteClient& client, const std::string& root, const TempDir& served, const TempDir& local) {
    const std::string bytes(100'000, 'x');
    local.write("up.jpg", bytes);
    ASSERT_EQ(client.makeFolder(root + "/in"), RemoteFailure::None);
    ASSERT_EQ(client.store(fileAt(local.file("up.jpg")), root + "/in/part.tmp"), RemoteFailure::None);
    EXPECT_EQ(testing::readFile(served.file("in/part.tmp")), bytes);
    ASSERT_EQ(client.rename(root + "/in/part.tmp", root + "/in/up.jpg"), RemoteFailure::None);
    EXPECT_EQ(testing::filesUnder(served.file("in/")), (std::map<std::string, std::string>{{"up.jpg", bytes}}));

    const RemoteListing listing = client.list(root + "/in");
    EXPECT_EQ(listing.failure, RemoteFailure::None);
    EXPECT_EQ(namesOf(listing), std::vector<std::string>{"up.jpg"});
    ASSERT_FALSE(listing.entries.empty());

    TempDir back;
    RemoteFetchOptions fetch;
    fetch.listedSize = bytes.size();
    EXPECT_EQ(client.fetch(root + "/in/up.jpg", fileAt(back.file("up.jpg")), fetch), RemoteFailure::None);
    EXPECT_EQ(testing::readFile(back.file("up.jpg")), bytes);
    EXPECT_TRUE(client.usable());
}

// What each protocol refuses: a rename of a missing file, an upload of a missing local
// file, a listing of a missing folder. Nothing is left on the server.
void refusals(RemoteClient& client, const std::string& root, const TempDir& served, const TempDir& local) {
    EXPECT_NE(client.rename(root + "/none.jpg", root + "/other.jpg"), RemoteFailure::None);
    EXPECT_EQ(client.store(fileAt(local.file("absent.jpg")), root + "/absent.jpg"), RemoteFailure::LocalFileFailed);
    EXPECT_EQ(client.list(root + "/missing").failure, RemoteFailure::FolderMissing);
    EXPECT_TRUE(testing::filesUnder(served.path()).empty());
    EXPECT_TRUE(client.usable());
}

TEST(FtpRemoteClient, StoresRenamesListsAndFetchesThroughTheOneInterface) {
    TempDir served, local;
    FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    std::unique_ptr<RemoteClient> client = ftpClient(server);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->protocol(), RemoteProtocol::Ftp);
    storeRenameListFetch(*client, "", served, local);
}

TEST(FtpRemoteClient, RefusalsComeBackAsFailuresAndTheSessionGoesOn) {
    TempDir served, local;
    FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    std::unique_ptr<RemoteClient> client = ftpClient(server);
    ASSERT_TRUE(client);
    refusals(*client, "", served, local);
}

TEST(FtpRemoteClient, AWrongPasswordIsALoginRefusedWithItsReplyCode) {
    TempDir served;
    FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server.port();
    options.user = FtpTestServer::kUser;
    options.password = "wrong";
    const FtpClientResult connected = FtpClient::connect(options);
    EXPECT_FALSE(connected.client);
    EXPECT_EQ(connected.outcome.failure, RemoteFailure::LoginRefused);
    EXPECT_EQ(connected.outcome.replyCode, 530);
}

TEST(FtpRemoteClient, AListingGoesBackToTheFolderItStartedIn) {
    TempDir served;
    served.write("a/b/c.jpg", "c");
    FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server.port();
    options.user = FtpTestServer::kUser;
    options.password = FtpTestServer::kPassword;
    FtpClientResult connected = FtpClient::connect(options);
    ASSERT_TRUE(connected.client);
    FtpClient& client = *connected.client;
    ASSERT_TRUE(client.changeDir("a"));
    EXPECT_EQ(namesOf(client.list("/a/b")), std::vector<std::string>{"c.jpg"});
    EXPECT_EQ(client.currentDir(), "/a");
}

class SftpRemoteClient : public SftpTest {
protected:
    std::unique_ptr<RemoteClient> client() {
        SftpConnectOptions o = options();
        o.acceptedFingerprint = server().fingerprint();
        SftpClientResult connected = SftpClient::connect(o);
        EXPECT_EQ(connected.outcome.failure, RemoteFailure::None);
        if (!connected.client) return nullptr;
        return std::make_unique<SftpClient>(std::move(*connected.client));
    }
};

TEST_F(SftpRemoteClient, StoresRenamesListsAndFetchesThroughTheOneInterface) {
    std::unique_ptr<RemoteClient> c = client();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->protocol(), RemoteProtocol::Sftp);
    storeRenameListFetch(*c, root, served, local);
}

TEST_F(SftpRemoteClient, RefusalsComeBackAsFailuresAndTheConnectionGoesOn) {
    std::unique_ptr<RemoteClient> c = client();
    ASSERT_TRUE(c);
    refusals(*c, root, served, local);
}

TEST_F(SftpRemoteClient, AnUnknownHostKeyIsRefusedWithItsFingerprint) {
    const SftpClientResult connected = SftpClient::connect(options());
    EXPECT_FALSE(connected.client);
    EXPECT_EQ(connected.outcome.failure, RemoteFailure::HostKeyUnknown);
    EXPECT_EQ(connected.outcome.identity.fingerprint, server().fingerprint());
}

}  // namespace
}  // namespace tesselon

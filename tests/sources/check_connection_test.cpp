#include <gtest/gtest.h>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "settings/remote_endpoint_of.h"
#include "sources/check_connection.h"
#include "support/loopback.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpTestServer;
using testing::scan::ScanFrontend;

class FtpConnectionTest : public ::testing::Test {
protected:
    FtpConnectionTest() : ui(state), server(served.path()) {
        state.ProgramFolder = program.path();
        testing::scan::useFtpSource(state, server.port(), "");
    }

    RemoteEndpoint data(const std::string& folder, const std::string& password = FtpTestServer::kPassword) {
        RemoteEndpoint d = remoteEndpointOf(state.settings.entorno);
        d.folder = folder;
        d.password = password;
        return d;
    }

    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
    testing::TempDir served;
    FtpTestServer server;
};

TEST_F(FtpConnectionTest, TellsWhetherItConnectedAndWhetherTheFolderIsValid) {
    ASSERT_NE(server.port(), 0);
    served.write("fotos/a.jpg", "a");
    ConnectionCheck result = checkConnection(remoteContextOf(state), data("/fotos"), {});
    EXPECT_EQ(result.handle, 0);
    EXPECT_TRUE(result.report.connection.ok());
    EXPECT_EQ(result.report.folder, "/fotos");
    EXPECT_TRUE(result.report.folderValid);
    ASSERT_EQ(ui.connectionTests.size(), 1u);
    EXPECT_FALSE(ui.connectionTestsSilent[0]);
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 0u);

    result = checkConnection(remoteContextOf(state), data(" /nada "), {true, true, false});
    EXPECT_NE(result.handle, 0);
    EXPECT_EQ(result.report.folder, "/nada");
    EXPECT_FALSE(result.report.folderValid);
    EXPECT_TRUE(ui.connectionTestsSilent[1]);
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 1u);
}

// A wrong password is the server's refusal, with its reply; a port where nothing
// listens is a server that cannot be reached.
TEST_F(FtpConnectionTest, ARefusedLoginIsToldApartFromAnUnreachableServer) {
    ASSERT_NE(server.port(), 0);
    ConnectionCheck result = checkConnection(remoteContextOf(state), data("/fotos", "bad"), {true, true, false});
    EXPECT_EQ(result.handle, 0);
    EXPECT_EQ(result.report.connection.failure, RemoteFailure::LoginRefused);
    EXPECT_EQ(result.report.connection.replyCode, 530);
    EXPECT_EQ(result.report.connection.user, FtpTestServer::kUser);

    uint16_t port = 0;
    testing::listenOnLoopback(port);  // closed again at once: nothing listens there
    RemoteEndpoint closed = data("/fotos");
    closed.port = port;
    result = checkConnection(remoteContextOf(state), closed, {true, true, false});
    EXPECT_EQ(result.report.connection.failure, RemoteFailure::CannotConnect);
    EXPECT_EQ(result.report.connection.replyCode, 0);
    // Every failure is told, the silent caller's too.
    EXPECT_EQ(ui.connectionTests.size(), 2u);
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 0u);
}

TEST_F(FtpConnectionTest, UploadsTheTestPackOnlyIntoAFolderItHadToMake) {
    ASSERT_NE(server.port(), 0);
    program.write("_FTPimg/one.jpg", "1");
    program.write("_FTPimg/sub/two.PNG", "22");
    program.write("_FTPimg/notes.txt", "no");
    served.write("exists/keep.jpg", "k");

    ConnectionCheck result = checkConnection(remoteContextOf(state), data("/exists"), {false, true, true});
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_EQ(testing::filesUnder(served.file("exists/")).size(), 1u);
    EXPECT_TRUE(ui.remoteProgress.empty());

    result = checkConnection(remoteContextOf(state), data("/new/pack"), {false, true, true});
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_FALSE(result.report.uploadCancelled);
    EXPECT_EQ(testing::filesUnder(served.file("new/pack/")),
              (std::map<std::string, std::string>{{"one.jpg", "1"}, {"sub/two.PNG", "22"}}));
    ASSERT_FALSE(ui.remoteProgress.empty());
    const RemoteProgress& last = ui.remoteProgress.back();
    EXPECT_EQ(last.phase, RemotePhase::Uploading);
    EXPECT_EQ(last.index, 2u);
    EXPECT_EQ(last.total, 2u);
    EXPECT_FALSE(ui.progressOpen);
}

}  // namespace
}  // namespace tesselon

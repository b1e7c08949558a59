// The connection window's test upload against real servers: vsftpd that requires TLS on
// the login and on every data connection, each resuming the control connection's
// session, and OpenSSH's sshd over SFTP. The test pack goes only into a folder the test
// had to make, arrives byte for byte with its subfolders, and stops when the user
// cancels.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "settings/remote_endpoint_of.h"
#include "sources/check_connection.h"
#include "support/scoped_env.h"
#include "support/sshd_test_server.h"
#include "support/temp_dir.h"
#include "support/vsftpd_test_server.h"

namespace tesselon {
namespace {

using Files = std::map<std::string, std::string>;
using testing::scan::ScanFrontend;

// Bytes that no two images of the pack share, large enough to need several writes.
std::string imageBytes(char seed, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(seed + i * 7 + i / 251);
    return bytes;
}

// Presses Cancelar as soon as `images` test images are on the server.
class CancellingFrontend : public ScanFrontend {
public:
    CancellingFrontend(AppState& state, size_t images) : ScanFrontend(state), images_(images) {}
    void showRemoteProgress(const RemoteProgress& progress) override {
        ScanFrontend::showRemoteProgress(progress);
        if (progress.phase == RemotePhase::Uploading && progress.index >= images_ && progress.total > 0)
            requestCancel();
    }

private:
    size_t images_;
};

class TestUpload : public ::testing::Test {
protected:
    TestUpload() { state.ProgramFolder = program.path(); }

    // Three images in the pack, one of them in a subfolder, and a file that is none.
    Files writePack() {
        const Files pack{{"one.jpg", imageBytes('a', 150000)},
                         {"two.png", imageBytes('b', 3000)},
                         {"sub/three.JPEG", imageBytes('c', 70000)}};
        for (const auto& [name, bytes] : pack) program.write("_FTPimg/" + name, bytes);
        program.write("_FTPimg/notes.txt", "no image");
        return pack;
    }

    ConnectionCheck check(Frontend& frontend, const std::string& folder) {
        state.frontend = &frontend;
        RemoteEndpoint endpoint = remoteEndpointOf(state.settings.entorno);
        endpoint.folder = folder;
        return checkConnection(remoteContextOf(state), endpoint, ConnectionCheckOptions{false, true, true});
    }

    testing::TempDir program;
    testing::TempDir served;
    AppState state;
};

class FtpsTestUpload : public TestUpload {
protected:
    void SetUp() override {
        served.write("pub/keep.jpg", "k");  // folders below the served one take uploads
        server = std::make_unique<testing::VsftpdTestServer>(served.path(), "127.0.0.1", 0,
                                                             testing::VsftpdTestServer::Access::Writable);
        if (!server->skipReason().empty()) GTEST_SKIP() << server->skipReason();
        testing::scan::useFtpSource(state, server->port(), "", "secreto");
        state.settings.entorno.usuario = testing::VsftpdTestServer::kUser;
        state.settings.entorno.protocolo = "ftps";
        state.tlsCaFile = server->caFile();
    }

    size_t storesLogged() const {
        const std::string log = server->commandsLog();
        size_t stores = 0;
        for (size_t at = log.find("STOR "); at != std::string::npos; at = log.find("STOR ", at + 1)) ++stores;
        return stores;
    }

    testing::ScopedEnv noCaFile{"TESSELON_CA_FILE", ""};
    std::unique_ptr<testing::VsftpdTestServer> server;
};

TEST_F(FtpsTestUpload, TheTestPackArrivesWholeInTheFolderItMadeOverProtectedData) {
    const Files pack = writePack();
    ScanFrontend ui(state);
    const ConnectionCheck result = check(ui, "/pub/nueva/prueba");
    EXPECT_TRUE(result.report.connection.ok());
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_FALSE(result.report.uploadCancelled);
    EXPECT_EQ(testing::filesUnder(served.file("pub/nueva/prueba/")), pack);
    EXPECT_EQ(storesLogged(), 3u);
    const std::string log = server->commandsLog();
    EXPECT_NE(log.find("PROT P"), std::string::npos) << log;
    ASSERT_FALSE(ui.remoteProgress.empty());
    EXPECT_EQ(ui.remoteProgress.back().index, 3u);
    EXPECT_EQ(ui.remoteProgress.back().total, 3u);
    EXPECT_FALSE(ui.progressOpen);
    ASSERT_EQ(ui.connectionTests.size(), 1u);
}

TEST_F(FtpsTestUpload, AFolderThatExistsGetsNothing) {
    writePack();
    ScanFrontend ui(state);
    const ConnectionCheck result = check(ui, "/pub");
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_EQ(testing::filesUnder(served.file("pub/")), (Files{{"keep.jpg", "k"}}));
    EXPECT_EQ(storesLogged(), 0u);
    EXPECT_TRUE(ui.remoteProgress.empty());
}

TEST_F(FtpsTestUpload, CancelStopsAfterTheImageInHand) {
    writePack();
    CancellingFrontend ui(state, 1);
    const ConnectionCheck result = check(ui, "/pub/cancelada");
    EXPECT_TRUE(result.report.uploadCancelled);
    EXPECT_TRUE(result.report.folderValid);  // it was made
    EXPECT_EQ(testing::filesUnder(served.file("pub/cancelada/")).size(), 1u);
    EXPECT_EQ(storesLogged(), 1u);
    EXPECT_FALSE(ui.progressOpen);
}

class SftpTestUpload : public TestUpload {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testing::SshdTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!server_->skipReason().empty()) GTEST_SKIP() << server_->skipReason();
        served.write("fotos/keep.jpg", "k");
        if (const std::string problem = server_->serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
        testing::scan::useFtpSource(state, server_->port(), "", server_->password());
        state.settings.entorno.usuario = testing::SshdTestServer::kUser;
        state.settings.entorno.protocolo = "sftp";
        state.sftpTrustedHostKey = server_->fingerprint();
    }

    testing::TempDir home;  // no known_hosts of the user's
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    static inline std::unique_ptr<testing::SshdTestServer> server_;
};

TEST_F(SftpTestUpload, TheTestPackArrivesWholeInTheFolderItMade) {
    const Files pack = writePack();
    ScanFrontend ui(state);
    const ConnectionCheck result = check(ui, served.path() + "nueva/prueba/");
    EXPECT_TRUE(result.report.connection.ok());
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_FALSE(result.report.uploadCancelled);
    EXPECT_EQ(testing::filesUnder(served.file("nueva/prueba/")), pack);
    ASSERT_FALSE(ui.remoteProgress.empty());
    EXPECT_EQ(ui.remoteProgress.back().index, 3u);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(ui.trustQuestions.empty());
}

TEST_F(SftpTestUpload, AFolderThatExistsGetsNothing) {
    writePack();
    ScanFrontend ui(state);
    const ConnectionCheck result = check(ui, served.path() + "fotos");
    EXPECT_TRUE(result.report.folderValid);
    EXPECT_EQ(testing::filesUnder(served.file("fotos/")), (Files{{"keep.jpg", "k"}}));
    EXPECT_TRUE(ui.remoteProgress.empty());
}

// The account may not write in the root's folder: the folder is wrong, and nothing
// was sent anywhere.
TEST_F(SftpTestUpload, AFolderThatCannotBeMadeIsWrongAndNothingIsSent) {
    writePack();
    ScanFrontend ui(state);
    const ConnectionCheck result = check(ui, "/tesselon-no-permitida/prueba");
    EXPECT_TRUE(result.report.connection.ok());
    EXPECT_FALSE(result.report.folderValid);
    EXPECT_TRUE(ui.remoteProgress.empty());
    EXPECT_FALSE(std::filesystem::exists("/tesselon-no-permitida"));
}

TEST_F(SftpTestUpload, CancelStopsAfterTheImageInHand) {
    writePack();
    CancellingFrontend ui(state, 2);
    const ConnectionCheck result = check(ui, served.path() + "cancelada");
    EXPECT_TRUE(result.report.uploadCancelled);
    EXPECT_EQ(testing::filesUnder(served.file("cancelada/")).size(), 2u);
}

}  // namespace
}  // namespace tesselon

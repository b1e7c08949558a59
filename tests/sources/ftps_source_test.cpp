// The remote source over FTPS against vsftpd: a certificate that does not verify is
// asked about once, pinned in the program folder when trusted, and the scan and the
// download then go as over FTP.
#include <gtest/gtest.h>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/vsftpd_test_server.h"

namespace tesselon {
namespace {

using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using Files = std::map<std::string, std::string>;

class FtpsSource : public ::testing::Test {
protected:
    FtpsSource() : ui(state) { state.ProgramFolder = program.path(); }

    void useServer(const testing::VsftpdTestServer& server) {
        testing::scan::useFtpSource(state, server.port(), "/up/", "secreto");
        STRProcesosEntorno& env = state.settings.entorno;
        env.usuario = testing::VsftpdTestServer::kUser;
        env.protocolo = "ftps";
        env.UltimoEscaneoImagenesLocalRemoto = "R";
    }

    testing::TempDir served;
    testing::TempDir program;
    testing::TempDir local;
    // The throw-away authority is nobody's: only a pin can make its certificate trusted.
    testing::ScopedEnv noCaFile{"TESSELON_CA_FILE", ""};
    AppState state;
    ScanFrontend ui;
};

TEST_F(FtpsSource, AnUntrustedCertificateIsAskedAboutOnceThenPinnedAndUsed) {
    served.write("up/a.jpg", std::string(70000, 'a'));
    served.write("up/sub/b.JPG", "bb");
    served.write("up/notes.txt", "no");
    testing::VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    useServer(server);

    // Declined: nothing is scanned, nothing pinned, and the login never went out.
    ui.trustAnswers = {false};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(ui.trustQuestions.size(), 1u);
    EXPECT_EQ(ui.trustQuestions[0].protocol, RemoteProtocol::Ftps);
    EXPECT_EQ(ui.trustQuestions[0].fingerprint, server.fingerprint());
    EXPECT_EQ(ui.trustQuestions[0].certificate, CertificateProblem::Untrusted);
    EXPECT_TRUE(ui.scanEnds.back().connection.declined);
    EXPECT_EQ(ui.scanEnds.back().connection.failure, RemoteFailure::CertificateRefused);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_EQ(testing::readFile(program.file("trusted_certificates")), "");
    EXPECT_EQ(server.commandsLog().find("USER"), std::string::npos);

    // Trusted: pinned for this server, and never asked again.
    ui.trustAnswers = {true};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(ui.trustQuestions.size(), 2u);
    EXPECT_EQ(testing::readFile(program.file("trusted_certificates")),
              "127.0.0.1:" + std::to_string(server.port()) + " " + server.fingerprint() + "\n");
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), (std::vector<std::string>{"/up/sub/b.JPG", "/up/a.jpg"}));
    EXPECT_EQ(state.SourceImageList.origin.rfind("ftps://", 0), 0u);

    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + "bajadas", {});
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Finished);
    EXPECT_EQ(outcome.fetched, 2u);
    EXPECT_EQ(ui.trustQuestions.size(), 2u);
    EXPECT_EQ(testing::filesUnder(local.path()),
              (Files{{"bajadas/up/a.jpg", std::string(70000, 'a')}, {"bajadas/up/sub/b.JPG", "bb"}}));
}

TEST_F(FtpsSource, APinForAnotherCertificateOfTheServerIsNoLicence) {
    served.write("up/a.jpg", "a");
    testing::VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    useServer(server);
    // The server's certificate was replaced since the user pinned the old one.
    program.write("trusted_certificates", "127.0.0.1:" + std::to_string(server.port()) + " " +
                                              std::string(64, 'c') + "\nelsewhere:21 " + server.fingerprint() + "\n");
    ui.trustAnswers = {false};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(ui.trustQuestions.size(), 1u);
    EXPECT_EQ(ui.scanEnds.back().connection.failure, RemoteFailure::CertificateRefused);
    EXPECT_TRUE(state.SourceImageList.empty());
}

}  // namespace
}  // namespace tesselon

// The remote source over SFTP against OpenSSH's sshd: the same scan and download as
// over FTP, and the server's host key asked about once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"
#include "support/scoped_env.h"
#include "support/sshd_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using Files = std::map<std::string, std::string>;

class SftpSource : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testing::SshdTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    SftpSource() : ui(state) { state.ProgramFolder = program.path(); }

    void SetUp() override {
        if (!server_->skipReason().empty()) GTEST_SKIP() << server_->skipReason();
        served.write("up/a.jpg", std::string(70000, 'a'));
        served.write("up/sub/b.JPG", "bb");
        served.write("up/notes.txt", "no");
        if (const std::string problem = server_->serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
        testing::scan::useFtpSource(state, server_->port(), served.path() + "up/", server_->password());
        STRProcesosEntorno& env = state.settings.entorno;
        env.usuario = testing::SshdTestServer::kUser;
        env.protocolo = "sftp";
        env.UltimoEscaneoImagenesLocalRemoto = "R";
    }

    testing::TempDir home;  // no known_hosts of the user's
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
    testing::TempDir served;
    testing::TempDir local;
    static inline std::unique_ptr<testing::SshdTestServer> server_;
};

TEST_F(SftpSource, AnUnknownKeyIsAskedAboutOnceThenScanAndDownloadAsOverFtp) {
    // Declined: nothing is scanned, and the refusal needs no second box.
    ui.trustAnswers = {false};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(ui.trustQuestions.size(), 1u);
    EXPECT_EQ(ui.trustQuestions[0].fingerprint, server_->fingerprint());
    EXPECT_EQ(ui.trustQuestions[0].protocol, RemoteProtocol::Sftp);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_TRUE(ui.scanEnds.back().connection.declined);
    EXPECT_EQ(ui.scanEnds.back().connection.failure, RemoteFailure::HostKeyUnknown);

    // Accepted: stored in the program folder, and never asked again.
    ui.trustAnswers = {true};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(ui.trustQuestions.size(), 2u);
    EXPECT_NE(testing::readFile(program.file("known_hosts")).find(server_->publicKey().substr(0, 40)),
              std::string::npos);
    const std::string root = served.path() + "up";
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), (std::vector<std::string>{root + "/sub/b.JPG", root + "/a.jpg"}));
    EXPECT_EQ(state.SourceImageList.entries[1].size, 70000);
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::None);
    EXPECT_EQ(state.SourceImageList.origin.rfind("sftp://", 0), 0u);

    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + "bajadas", {});
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Finished);
    EXPECT_EQ(outcome.fetched, 2u);
    EXPECT_EQ(ui.trustQuestions.size(), 2u);
    const std::string below = "bajadas" + root + "/";
    EXPECT_EQ(testing::filesUnder(local.path()),
              (Files{{below + "a.jpg", std::string(70000, 'a')}, {below + "sub/b.JPG", "bb"}}));
    // One connection per file, each file dated as on the server.
    EXPECT_EQ(outcome.connections, 2u);
    const auto secondsOf = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? int64_t(info.st_mtime) : -1;
    };
    EXPECT_EQ(secondsOf(local.file(below + "a.jpg")), secondsOf(served.file("up/a.jpg")));
}

// A file that is gone by the time of the download is asked about as over FTP, and a
// folder that does not exist is told as such.
TEST_F(SftpSource, AFailedFileIsAskedAboutAndAMissingFolderIsTold) {
    ui.trustAnswers = {true};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 2u);
    std::filesystem::remove(served.file("up/a.jpg"));
    ui.retryAnswers = {RetryAnswer::Retry, RetryAnswer::Skip};
    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + "bajadas", {});
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].path, served.path() + "up/a.jpg");
    EXPECT_EQ(outcome.skipped[0].failure, RemoteFailure::TransferRefused);
    EXPECT_EQ(outcome.skipped[0].attempt, 2);
    EXPECT_EQ(outcome.fetched, 1u);

    state.settings.entorno.RutaOrigenRemoto = served.path() + "missing/";
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::FolderMissing);
    EXPECT_TRUE(state.SourceImageList.empty());
}

// Cancelar pressed while a file is on its way stops that transfer, not only the next
// file: nothing of the file is left in the download folder, neither under its name nor
// as a temporary, and the download ends as cancelled.
TEST_F(SftpSource, CancelDuringAFileStopsItsTransferAndLeavesNothingOfIt) {
    served.write("up/big.jpg", std::string(16 * 1024 * 1024, 'g'));
    server_->serve(served.path());
    ui.trustAnswers = {true};
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 3u);
    ui.whilePausing = [this] {
        const std::vector<RemoteProgress>& shown = ui.remoteProgress;
        if (!shown.empty() && shown.back().name.ends_with("/big.jpg") && shown.back().bytes > 0) {
            ui.requestCancel();
        }
    };
    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + "bajadas", {});
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Cancelled);
    EXPECT_TRUE(outcome.skipped.empty());  // stopped, not failed: nothing to ask about
    for (const auto& [name, bytes] : testing::filesUnder(local.path())) {
        EXPECT_EQ(name.find("big"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace tesselon

// The download over SFTP against a scripted server (tests/support/odd_files_sftp_server.py)
// whose files pass the download's size bound: each is cut at the bound once and left
// out with the bound named, never asked for again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"
#include "support/python_sftp_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::PythonSftpServer;
using testing::scan::ScanFrontend;

constexpr int64_t kBound = int64_t(1) << 20;

class SftpSizeBound : public ::testing::Test {
protected:
    SftpSizeBound() : ui(state) { state.ProgramFolder = program.path(); }

    void SetUp() override {
        ASSERT_NE(server.port(), 0) << "python3-paramiko is needed";
        testing::scan::useFtpSource(state, server.port(), "/", PythonSftpServer::kPassword);
        STRProcesosEntorno& env = state.settings.entorno;
        env.usuario = PythonSftpServer::kUser;
        env.protocolo = "sftp";
        env.UltimoEscaneoImagenesLocalRemoto = "R";
        ui.trustAnswers = {true};
    }

    RemoteDownloadOutcome scanAndDownload(const std::string& folder) {
        state.settings.entorno.RutaOrigenRemoto = folder;
        scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
        RemoteDownloadOptions options;
        options.sizeBound = kBound;
        return downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + "bajadas", {}, options);
    }

    // How often the server was asked to open `path`.
    size_t opens(const std::string& path) const {
        const std::string log = testing::readFile(scratch.file("server.log"));
        const std::string line = "OPEN " + path + "\n";
        size_t count = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        return count;
    }

    testing::TempDir home;  // no known_hosts of the user's
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    testing::TempDir scratch;
    std::string image = scratch.write("image.jpg", std::string(3000, 'i'));
    PythonSftpServer server{"odd_files_sftp_server.py", {image, scratch.file("server.log")}};
    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
    testing::TempDir local;
};

// Endless data for a file listed without a size: cut at the bound on the first try,
// which a second try would only repeat, and nothing of it is left on disk.
TEST_F(SftpSizeBound, AnEndlessFileWithNoListedSizeIsCutOnceAtTheBound) {
    const RemoteDownloadOutcome outcome = scanAndDownload("/endless/");
    ASSERT_EQ(state.SourceImageList.size(), 1u);
    EXPECT_EQ(state.SourceImageList.entries[0].size, 0);  // none listed
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Finished);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].path, "/endless/endless.jpg");
    EXPECT_EQ(outcome.skipped[0].failure, RemoteFailure::OverSizeBound);
    EXPECT_EQ(outcome.skipped[0].bound, kBound);
    EXPECT_EQ(outcome.skipped[0].attempt, 1);
    EXPECT_TRUE(ui.retryQuestions.empty());
    EXPECT_EQ(opens("/endless/endless.jpg"), 1u);
    EXPECT_TRUE(testing::filesUnder(local.path()).empty());
}

// A file listed larger than the bound is not even opened; the regular file is the only
// one of its folder that would be fetched (the others are no files).
TEST_F(SftpSizeBound, AFileListedLargerThanTheBoundIsNotAskedFor) {
    testing::TempDir big;
    image = big.write("big.jpg", std::string(size_t(kBound) + 1, 'b'));
    PythonSftpServer large{"odd_files_sftp_server.py", {image, scratch.file("server.log")}};
    ASSERT_NE(large.port(), 0);
    state.settings.entorno.puerto = std::to_string(large.port());
    const RemoteDownloadOutcome outcome = scanAndDownload("/odd/");
    const auto plain = std::find_if(outcome.skipped.begin(), outcome.skipped.end(),
                                    [](const FailedRemoteFile& f) { return f.path == "/odd/plain.jpg"; });
    ASSERT_NE(plain, outcome.skipped.end());
    EXPECT_EQ(plain->failure, RemoteFailure::OverSizeBound);
    EXPECT_EQ(plain->bound, kBound);
    EXPECT_TRUE(ui.retryQuestions.empty());
    EXPECT_EQ(opens("/odd/plain.jpg"), 0u);
    EXPECT_EQ(outcome.fetched, 0u);
}

}  // namespace
}  // namespace tesselon

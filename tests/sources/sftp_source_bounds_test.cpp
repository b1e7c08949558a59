// The remote source over SFTP against a server whose tree never ends: what the walk
// passed by and where it stopped reach the scan's outcome as the problems the FTP
// scan gives, with the bounds they met.
#include <gtest/gtest.h>

#include "remote/listed_names.h"
#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/scan_images.h"
#include "support/paramiko_test_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::DeepSftpServer;
using testing::DeepTree;
using testing::scan::ScanFrontend;
using Kind = ScanProblem::Kind;

class SftpSourceBounds : public ::testing::Test {
protected:
    SftpSourceBounds() : ui(state) { state.ProgramFolder = program.path(); }

    void useServer(const DeepSftpServer& server) {
        testing::scan::useFtpSource(state, uint16_t(server.port()), "/tree/", DeepSftpServer::kPassword);
        STRProcesosEntorno& env = state.settings.entorno;
        env.usuario = DeepSftpServer::kUser;
        env.protocolo = "sftp";
        ui.trustAnswers = {true};
    }

    testing::TempDir home;  // no known_hosts of the user's
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
};

TEST_F(SftpSourceBounds, PathsPastTheBoundAreSkippedNamesAndTheOutcomeTellsTheBounds) {
    DeepSftpServer server(DeepTree{64, 250, 2, "jpg"});
    ASSERT_NE(server.port(), 0) << "python3-paramiko is needed";
    useServer(server);
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    const RemoteScanOutcome& outcome = ui.scanEnds.back();
    EXPECT_EQ(outcome.failure, RemoteFailure::None);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.pathLengthLimit, kMaxListedPathBytes);
    EXPECT_EQ(outcome.pathTextLimit, kMaxScanPathBytes);
    EXPECT_EQ(outcome.skippedNames, 3);
    ASSERT_EQ(problems.size(), 3u);
    for (const ScanProblem& p : problems) {
        EXPECT_EQ(p.kind, Kind::RemotePathTooLong);
        EXPECT_GT(p.path.size(), kMaxListedPathBytes);
    }
    EXPECT_FALSE(state.SourceImageList.empty());
    for (const SourceImageEntry& entry : state.SourceImageList.entries) EXPECT_LE(entry.path.size(), kMaxListedPathBytes);
}

TEST_F(SftpSourceBounds, AScanPastTheProgramsDeadlineStopsWhereItWasAndKeepsWhatItFound) {
    DeepSftpServer server(DeepTree{64, 10, 1, "jpg", 0.3});
    ASSERT_NE(server.port(), 0) << "python3-paramiko is needed";
    useServer(server);
    state.remoteScanSeconds = 1;
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    const RemoteScanOutcome& outcome = ui.scanEnds.back();
    EXPECT_TRUE(outcome.connection.ok());
    EXPECT_EQ(outcome.failure, RemoteFailure::None);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.deadlineSeconds, 1);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, Kind::RemoteScanDeadline);
    EXPECT_EQ(problems[0].path.rfind("/tree", 0), 0u) << problems[0].path;
    EXPECT_FALSE(state.SourceImageList.empty());
    EXPECT_LT(state.SourceImageList.size(), 65u);
}

}  // namespace
}  // namespace tesselon

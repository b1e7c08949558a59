// An FTP scan against a server that lists without end: the scan holds itself to a
// total of path text and to a deadline, stops with what it found, and says which bound
// stopped it.
#include <gtest/gtest.h>

#include <chrono>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "settings/remote_endpoint_of.h"
#include "sources/check_connection.h"
#include "sources/remote_scan.h"
#include "sources/scan_images.h"
#include "support/tree_ftp_server.h"

namespace tesselon {
namespace {

using testing::listingLine;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Transfer = testing::TreeFtpServer::Transfer;

class RemoteScanBounds : public ::testing::Test {
protected:
    RemoteScanBounds() : ui(state) {}

    // /up holds top.jpg and the folder /up/many, whose listing `many` gives.
    void serve(std::function<Transfer()> many) {
        server.list = [many](const std::string& folder) -> std::optional<Transfer> {
            if (folder == "/up") return Transfer{listingLine("many", 0, true) + listingLine("top.jpg", 1)};
            if (folder == "/up/many") return many();
            return std::nullopt;
        };
        server.start();
        useFtpSource(state, server.port(), "/up/");
        id = checkConnection(remoteContextOf(state), remoteEndpointOf(state.settings.entorno), {true, true, false}).handle;
        ASSERT_NE(id, 0);
    }

    AppState state;
    ScanFrontend ui;
    testing::TreeFtpServer server;
    FtpID id = 0;
};

std::string described(const std::vector<ScanProblem>& problems) {
    std::string text;
    for (const ScanProblem& p : problems) text += std::to_string(int(p.kind)) + " " + p.path + "\n";
    return text;
}

// 500 files of 100-byte names, again and again.
std::string manyFiles() {
    std::string lines;
    for (int i = 0; i < 500; ++i) lines += listingLine(std::to_string(1000 + i) + std::string(96, 'n') + ".jpg", 1);
    return lines;
}

TEST_F(RemoteScanBounds, StopsAtItsBoundOfPathTextKeepingWhatItFound) {
    serve([] { return Transfer{manyFiles(), true}; });
    std::vector<SourceImageEntry> found;
    RemoteScanOutcome report;
    RemoteScanLimits limits;
    limits.maxPathBytes = 200'000;
    scanRemoteFolder(remoteContextOf(state), id, found, "/up/", true, "jpg", true, report, limits);
    EXPECT_EQ(report.failure, RemoteFailure::None);
    EXPECT_TRUE(report.stopped);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].kind, ScanProblem::Kind::RemotePathTextLimit);
    EXPECT_EQ(report.problems[0].path, "/up/many");
    EXPECT_EQ(report.pathTextLimit, 200'000u);
    uint64_t bytes = 0;
    for (const SourceImageEntry& entry : found) bytes += entry.path.size();
    EXPECT_LE(bytes, limits.maxPathBytes);
    EXPECT_GT(found.size(), 1000u);  // what fitted of "many", then the folder's own
    EXPECT_EQ(found.back().path, "/up/top.jpg");
    // The cut listing was answered: the session goes on.
    EXPECT_TRUE(ftpCheck(sessionTableIn(state.ftpSessions), id));
}

TEST_F(RemoteScanBounds, StopsAtItsDeadlineInTheMiddleOfAListingThatTrickles) {
    serve([] { return Transfer{listingLine("slow.jpg", 1), true, "226 done\r\n", std::chrono::milliseconds(100)}; });
    std::vector<SourceImageEntry> found;
    RemoteScanOutcome report;
    RemoteScanLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    scanRemoteFolder(remoteContextOf(state), id, found, "/up/", true, "jpg", true, report, limits);
    EXPECT_EQ(report.failure, RemoteFailure::None);
    EXPECT_TRUE(report.stopped);
    ASSERT_EQ(report.problems.size(), 1u) << described(report.problems);
    EXPECT_EQ(report.problems[0].kind, ScanProblem::Kind::RemoteScanDeadline);
    EXPECT_EQ(report.problems[0].path, "/up/many");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path, "/up/top.jpg");
}

// The deadline of a whole scan comes from the program's state, and the outcome tells it.
TEST_F(RemoteScanBounds, TheScanOfTheSourceHasTheProgramsDeadline) {
    serve([] { return Transfer{listingLine("slow.jpg", 1), true, "226 done\r\n", std::chrono::milliseconds(100)}; });
    state.remoteScanSeconds = 1;
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    ASSERT_FALSE(ui.scanEnds.empty());
    EXPECT_EQ(ui.scanEnds.back().deadlineSeconds, 1);
    EXPECT_TRUE(ui.scanEnds.back().stopped);
    ASSERT_EQ(problems.size(), 1u) << described(problems);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::RemoteScanDeadline);
    ASSERT_EQ(state.SourceImageList.size(), 1u);
    EXPECT_EQ(state.SourceImageList.entries[0].path, "/up/top.jpg");
}

}  // namespace
}  // namespace tesselon

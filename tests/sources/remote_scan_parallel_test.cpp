// The remote scan over several connections at once: the list, the problems and the
// bounds are those one connection gives, Cancelar stops every connection, and the
// download takes the scan's connections over instead of logging in again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "settings/remote_endpoint_of.h"
#include "sources/check_connection.h"
#include "sources/open_remote_client.h"
#include "sources/remote_download.h"
#include "sources/remote_scan.h"
#include "sources/scan_images.h"
#include "support/sshd_test_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/tree_ftp_server.h"

namespace tesselon {
namespace {

using testing::listingLine;
using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Strings = std::vector<std::string>;
using Transfer = testing::TreeFtpServer::Transfer;

// A tree of three levels with images at every level and folders of several widths.
void writeTree(testing::TempDir& served, const std::string& top) {
    for (int i = 0; i < 5; ++i) {
        const std::string folder = top + "/f" + std::to_string(i);
        served.write(folder + "/a" + std::to_string(i) + ".jpg", std::string(size_t(10 + i), 'a'));
        for (int j = 0; j < i; ++j) {
            served.write(folder + "/g" + std::to_string(j) + "/b" + std::to_string(j) + ".JPG", "bb");
            if (j % 2 == 0) served.write(folder + "/g" + std::to_string(j) + "/h/c.jpeg", "c");
        }
        served.write(folder + "/notes.txt", "no");
    }
    served.write(top + "/top.jpg", "t");
}

std::string described(const std::vector<ScanProblem>& problems) {
    std::string text;
    for (const ScanProblem& p : problems) text += std::to_string(int(p.kind)) + " " + p.path + "\n";
    return text;
}

struct Scanned {
    Strings paths;
    std::vector<int64_t> sizes;
    RemoteScanOutcome outcome;
};

Scanned scanWith(AppState& state, ScanFrontend& ui, int connections) {
    state.remoteConnections = connections;
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    Scanned scanned{pathsOf(state.SourceImageList.entries), {}, ui.scanEnds.back()};
    for (const SourceImageEntry& e : state.SourceImageList.entries) scanned.sizes.push_back(e.size);
    return scanned;
}

class ParallelFtpScan : public ::testing::Test {
protected:
    ParallelFtpScan() : ui(state) {}

    // Sessions for a scan of the configured source: the first the one the connection
    // check opened, the others opened on their workers.
    std::vector<std::function<FtpClient*()>> sessions(size_t count) {
        const RemoteEndpoint endpoint = remoteEndpointOf(state.settings.entorno);
        clients.clear();
        clients.resize(count);
        const FtpID id = checkConnection(remoteContextOf(state), endpoint, {true, true, false}).handle;
        clients[0].emplace(sessionTableIn(state.ftpSessions).find(id), false);
        std::vector<std::function<FtpClient*()>> opens{[this] { return &*clients[0]; }};
        for (size_t i = 1; i < count; ++i) {
            std::optional<FtpClient>& slot = clients[i];
            opens.push_back([this, endpoint, &slot]() -> FtpClient* {
                RemoteConnectOutcome outcome;
                slot = openFtpClient(remoteContextOf(state), endpoint, outcome, false);
                return slot ? &*slot : nullptr;
            });
        }
        return opens;
    }

    RemoteScanOutcome scanBounded(size_t count, const RemoteScanLimits& limits, std::vector<SourceImageEntry>& found) {
        RemoteScanOutcome report;
        scanRemoteFolder(remoteContextOf(state), sessions(count), found, "/up/", true, "jpg", true, report, limits);
        return report;
    }

    AppState state;
    ScanFrontend ui;
    testing::TempDir served;
    std::vector<std::optional<FtpClient>> clients;
};

TEST_F(ParallelFtpScan, OneAndFourConnectionsGiveTheSameList) {
    writeTree(served, "up");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");

    const Scanned one = scanWith(state, ui, 1);
    const Scanned four = scanWith(state, ui, 4);
    ASSERT_EQ(one.paths.size(), 5u + 10u + 6u + 1u);
    EXPECT_EQ(four.paths, one.paths);
    EXPECT_EQ(four.sizes, one.sizes);
    // Depth first as one session walks: the deepest images of the first folder lead,
    // the scanned folder's own image ends the list.
    EXPECT_EQ(one.paths.back(), "/up/top.jpg");
    EXPECT_TRUE(four.outcome.problems.empty()) << described(four.outcome.problems);
    EXPECT_FALSE(four.outcome.stopped);
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, int64_t(one.paths.size()));
    // The kept session is back in the scanned folder for the connection window.
    EXPECT_EQ(ftpCurrentDir(sessionTableIn(state.ftpSessions), state.settings.entorno.FtpID), "/up");
}

// /up holds top.jpg and the folders many, quiet and calm; many lists without end.
class ParallelFtpScanBounds : public ParallelFtpScan {
protected:
    void serve(std::function<Transfer()> many) {
        server.list = [many](const std::string& folder) -> std::optional<Transfer> {
            if (folder == "/up")
                return Transfer{listingLine("many", 0, true) + listingLine("quiet", 0, true) + listingLine("calm", 0, true) +
                                listingLine("top.jpg", 1)};
            if (folder == "/up/many") return many();
            if (folder == "/up/quiet" || folder == "/up/calm") return Transfer{listingLine("q.jpg", 1)};
            return std::nullopt;
        };
        server.start();
        useFtpSource(state, server.port(), "/up/");
    }
    testing::TreeFtpServer server;
};

std::string manyFiles() {
    std::string lines;
    for (int i = 0; i < 500; ++i) lines += listingLine(std::to_string(1000 + i) + std::string(96, 'n') + ".jpg", 1);
    return lines;
}

TEST_F(ParallelFtpScanBounds, TheBoundOfPathTextStopsFourConnectionsAsItStopsOne) {
    serve([] { return Transfer{manyFiles(), true}; });
    RemoteScanLimits limits;
    limits.maxPathBytes = 200'000;
    std::vector<SourceImageEntry> byOne, byFour;
    const RemoteScanOutcome one = scanBounded(1, limits, byOne);
    const RemoteScanOutcome four = scanBounded(4, limits, byFour);
    EXPECT_TRUE(four.stopped);
    ASSERT_EQ(four.problems.size(), 1u) << described(four.problems);
    EXPECT_EQ(four.problems[0].kind, ScanProblem::Kind::RemotePathTextLimit);
    EXPECT_EQ(described(four.problems), described(one.problems));
    EXPECT_EQ(pathsOf(byFour), pathsOf(byOne));
    uint64_t bytes = 0;
    for (const SourceImageEntry& entry : byFour) bytes += entry.path.size();
    EXPECT_LE(bytes, limits.maxPathBytes);
}

TEST_F(ParallelFtpScanBounds, TheBoundOfEntriesStopsFourConnectionsAsItStopsOne) {
    serve([] { return Transfer{manyFiles(), true}; });
    RemoteScanLimits limits;
    limits.maxEntries = 1000;
    std::vector<SourceImageEntry> byOne, byFour;
    const RemoteScanOutcome one = scanBounded(1, limits, byOne);
    const RemoteScanOutcome four = scanBounded(4, limits, byFour);
    EXPECT_TRUE(four.stopped);
    ASSERT_EQ(four.problems.size(), 1u) << described(four.problems);
    EXPECT_EQ(four.problems[0].kind, ScanProblem::Kind::RemoteEntryLimit);
    EXPECT_EQ(described(four.problems), described(one.problems));
    EXPECT_EQ(pathsOf(byFour), pathsOf(byOne));
}

TEST_F(ParallelFtpScanBounds, TheDeadlineStopsEveryConnection) {
    serve([] { return Transfer{listingLine("slow.jpg", 1), true, "226 done\r\n", std::chrono::milliseconds(100)}; });
    RemoteScanLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::vector<SourceImageEntry> found;
    const auto start = std::chrono::steady_clock::now();
    const RemoteScanOutcome four = scanBounded(4, limits, found);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(four.stopped);
    ASSERT_EQ(four.problems.size(), 1u) << described(four.problems);
    EXPECT_EQ(four.problems[0].kind, ScanProblem::Kind::RemoteScanDeadline);
    EXPECT_EQ(four.problems[0].path, "/up/many");
    // What the quick folders held was found meanwhile.
    EXPECT_EQ(pathsOf(found), (Strings{"/up/calm/q.jpg", "/up/quiet/q.jpg", "/up/top.jpg"}));
}

// A listing the server never confirms leaves its session out of step: the folder is
// reported as with one connection, and the other connections list the rest.
TEST_F(ParallelFtpScanBounds, AFolderThatBreaksItsConnectionIsReportedAndTheOthersGoOn) {
    serve([] { return Transfer{listingLine("lost.jpg", 1), false, ""}; });
    sessionTableIn(state.ftpSessions).replyDeadlineSeconds = 1;
    sessionTableIn(state.ftpSessions).timeoutSeconds = 1;
    std::vector<SourceImageEntry> byOne, byFour;
    const RemoteScanOutcome one = scanBounded(1, {}, byOne);
    const RemoteScanOutcome four = scanBounded(4, {}, byFour);
    ASSERT_FALSE(one.problems.empty());
    ASSERT_FALSE(four.problems.empty());
    EXPECT_EQ(four.problems[0].kind, one.problems[0].kind);
    EXPECT_EQ(four.problems[0].path, "/up/many");
    EXPECT_FALSE(four.stopped) << described(four.problems);
    EXPECT_EQ(pathsOf(byFour), (Strings{"/up/calm/q.jpg", "/up/quiet/q.jpg", "/up/top.jpg"}));
}

TEST_F(ParallelFtpScan, CancelStopsEveryConnection) {
    testing::TreeFtpServer server;
    std::atomic<int> listings{0};
    // 200 folders whose listings each take a while.
    server.list = [&listings](const std::string& folder) -> std::optional<Transfer> {
        ++listings;
        if (folder == "/up") {
            std::string lines;
            for (int i = 0; i < 200; ++i) lines += listingLine("d" + std::to_string(i), 0, true);
            return Transfer{lines};
        }
        if (folder.rfind("/up/d", 0) != 0) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Transfer{listingLine("x.jpg", 1)};
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    state.remoteConnections = 4;
    ui.cancelAfterEvents = 2 + 1 + 2 + 3;  // the waits before the scan, then a few rounds of it
    const auto start = std::chrono::steady_clock::now();
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(ui.scanEnds.back().stopped);
    EXPECT_LT(listings.load(), 40);
    EXPECT_LT(state.SourceImageList.size(), 40u);
    // No connection lists anything once the scan returned.
    const int after = listings.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(listings.load(), after);
}

// Four connections scan and then download: four logins in all, not eight.
TEST_F(ParallelFtpScan, TheDownloadTakesOverTheScansConnections) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<Transfer> {
        if (folder == "/up") {
            std::string lines;
            for (int i = 0; i < 4; ++i) lines += listingLine("d" + std::to_string(i), 0, true);
            return Transfer{lines};
        }
        if (folder.rfind("/up/d", 0) != 0) return std::nullopt;
        std::string lines;
        for (int i = 0; i < 5; ++i) lines += listingLine("p" + std::to_string(i) + ".jpg", 3);
        return Transfer{lines};
    };
    server.retrieve = [](const std::string&) -> std::optional<Transfer> { return Transfer{"abc"}; };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    state.remoteConnections = 4;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 20u);
    EXPECT_EQ(server.connections(), 4);
    testing::TempDir local;
    RemoteDownloadOptions how;
    how.connections = 4;
    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno,
                                                               state.SourceImageList, local.path() + "d", {}, how);
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Finished);
    EXPECT_EQ(outcome.fetched, 20u);
    EXPECT_EQ(outcome.connections, 4u);
    EXPECT_EQ(server.connections(), 4);
}

// A download to another server than the scanned one gets none of the scan's connections.
TEST_F(ParallelFtpScan, AnotherServerGetsNoneOfTheScansConnections) {
    auto serveOne = [](testing::TreeFtpServer& server) {
        server.list = [](const std::string& folder) -> std::optional<Transfer> {
            if (folder == "/up") return Transfer{listingLine("d", 0, true) + listingLine("e", 0, true)};
            if (folder != "/up/d" && folder != "/up/e") return std::nullopt;
            return Transfer{listingLine("p.jpg", 3)};
        };
        server.retrieve = [](const std::string&) -> std::optional<Transfer> { return Transfer{"abc"}; };
        server.start();
    };
    testing::TreeFtpServer scanned, other;
    serveOne(scanned);
    serveOne(other);
    useFtpSource(state, scanned.port(), "/up/");
    state.remoteConnections = 2;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 2u);
    state.settings.entorno.puerto = std::to_string(other.port());
    state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R";
    testing::TempDir local;
    RemoteDownloadOptions how;
    how.connections = 2;
    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno,
                                                               state.SourceImageList, local.path() + "d", {}, how);
    EXPECT_EQ(outcome.fetched, 2u);
    EXPECT_EQ(other.connections(), 2);
    std::vector<std::string> retrieved;
    for (const std::string& c : other.commands())
        if (c.rfind("RETR", 0) == 0) retrieved.push_back(c);
    EXPECT_EQ(retrieved.size(), 2u);
}

class ParallelSftpScan : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testing::SshdTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    ParallelSftpScan() : ui(state) { state.ProgramFolder = program.path(); }

    void SetUp() override {
        if (!server_->skipReason().empty()) GTEST_SKIP() << server_->skipReason();
        writeTree(served, "up");
        if (const std::string problem = server_->serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
        useFtpSource(state, server_->port(), served.path() + "up/", server_->password());
        STRProcesosEntorno& env = state.settings.entorno;
        env.usuario = testing::SshdTestServer::kUser;
        env.protocolo = "sftp";
        env.UltimoEscaneoImagenesLocalRemoto = "R";
        state.sftpTrustedHostKey = server_->fingerprint();
    }

    static size_t logins() {
        const std::string log = server_->log();
        size_t count = 0;
        for (size_t at = log.find("Accepted "); at != std::string::npos; at = log.find("Accepted ", at + 1)) ++count;
        return count;
    }

    testing::TempDir home;
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
    testing::TempDir served;
    static inline std::unique_ptr<testing::SshdTestServer> server_;
};

TEST_F(ParallelSftpScan, OneAndFourConnectionsGiveTheSameList) {
    const Scanned one = scanWith(state, ui, 1);
    const Scanned four = scanWith(state, ui, 4);
    ASSERT_EQ(one.paths.size(), 5u + 10u + 6u + 1u);
    EXPECT_EQ(four.paths, one.paths);
    EXPECT_EQ(four.sizes, one.sizes);
    EXPECT_EQ(one.paths.back(), served.path() + "up/top.jpg");
    EXPECT_TRUE(four.outcome.problems.empty()) << described(four.outcome.problems);
    EXPECT_TRUE(ui.trustQuestions.empty());
}

TEST_F(ParallelSftpScan, TheDownloadTakesOverTheScansConnections) {
    const size_t before = logins();
    const Scanned four = scanWith(state, ui, 4);
    ASSERT_EQ(four.paths.size(), 22u);
    testing::TempDir local;
    RemoteDownloadOptions how;
    how.connections = 4;
    const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno,
                                                               state.SourceImageList, local.path() + "d", {}, how);
    EXPECT_EQ(outcome.end, RemoteDownloadOutcome::End::Finished);
    EXPECT_EQ(outcome.fetched, 22u);
    EXPECT_EQ(outcome.connections, 4u);
    // sshd may log a login a moment after it let the client in.
    for (int i = 0; i < 20 && logins() - before < 4; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(logins() - before, 4u);
}

}  // namespace
}  // namespace tesselon

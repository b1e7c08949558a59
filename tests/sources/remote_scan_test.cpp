#include <gtest/gtest.h>

#include <algorithm>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/scan_images.h"
#include "settings/remote_endpoint_of.h"
#include "sources/check_connection.h"
#include "sources/remote_scan.h"
#include "support/scripted_ftp_server.h"
#include "support/tree_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Strings = std::vector<std::string>;

class RemoteScan : public ::testing::Test {
protected:
    RemoteScan() : ui(state) {}
    AppState state;
    ScanFrontend ui;
};

TEST_F(RemoteScan, SubfoldersFirstThenTheFolderOwnImagesAndTheSessionStaysOpen) {
    testing::TempDir served;
    served.write("fotos/x.jpg", "xx");
    served.write("fotos/photo.JPEG", "x");
    served.write("fotos/skip.png", "x");
    served.write("fotos/s/y.jpg", "yyy");
    served.write("fotos/s/t/z.jpg", "z");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/fotos/");

    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);

    Strings paths = pathsOf(state.SourceImageList.entries);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], "/fotos/s/t/z.jpg");
    EXPECT_EQ(paths[1], "/fotos/s/y.jpg");
    std::sort(paths.begin() + 2, paths.end());
    EXPECT_EQ(paths[2], "/fotos/photo.JPEG");
    EXPECT_EQ(paths[3], "/fotos/x.jpg");
    EXPECT_EQ(state.SourceImageList.entries[1].size, 3);
    const STRProcesosEntorno& env = state.settings.entorno;
    EXPECT_EQ(env.TotalImagesOrigen, 4);
    EXPECT_EQ(env.UltimoEscaneoImagenesLocalRemoto, "R");
    EXPECT_NE(env.FtpID, 0);
    EXPECT_TRUE(ftpCheck(sessionTableIn(state.ftpSessions), env.FtpID));
    EXPECT_EQ(ftpCurrentDir(sessionTableIn(state.ftpSessions), env.FtpID), "/fotos");
    EXPECT_TRUE(ui.messages.empty());

    // Without subfolders only the folder's own images; the earlier scan's session ends.
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, false);
    EXPECT_EQ(state.SourceImageList.size(), 2u);
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 1u);
}

TEST_F(RemoteScan, ARefusedLoginAndAMissingFolderAreToldApart) {
    testing::TempDir served;
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/missing/", "wrong");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(state.settings.entorno.FtpID, 0);
    // The failed connection is told even to the scan's silent test.
    ASSERT_EQ(ui.connectionTests.size(), 1u);
    ASSERT_EQ(ui.scanEnds.size(), 1u);
    const RemoteConnectOutcome& refused = ui.scanEnds.back().connection;
    EXPECT_EQ(refused.failure, RemoteFailure::LoginRefused);
    EXPECT_EQ(refused.replyCode, 530);
    EXPECT_EQ(refused.server, "127.0.0.1");
    EXPECT_EQ(state.settings.entorno.UltimoEscaneoImagenesLocalRemoto, "R");

    useFtpSource(state, server.port(), "/missing/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_TRUE(ui.scanEnds.back().connection.ok());
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::FolderMissing);
    EXPECT_EQ(ui.scanEnds.back().folder, "/missing");
    EXPECT_TRUE(state.SourceImageList.empty());
}

// A hostile listing: names that would leave the download folder are dropped, counted
// and named with why; the rest come out in the reverse order of the lines.
TEST_F(RemoteScan, UnsafeNamesAreSkippedCountedAndNamed) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");              // CWD /up/ of the connection test
        c.answer("550 relative walk\r\n");   // CWD up
        c.answer("257 \"/up\" is current\r\n");
        c.answerPassive();
        c.answer("150 list\r\n");
        testing::sendAndClose(c.acceptData(),
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 b.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 ../../evil.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 back\\slash.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 /etc/cron.d/x.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 \x1b]0;pwned\x07.jpg\r\n"
                              "drwxr-xr-x 2 o g 0 Jan 1 2020 ..\r\n"
                              "-rw-r--r-- 1 o g 2 Jan 1 2020 a.jpg\r\n");
        c.send("226 done\r\n");
    });
    useFtpSource(state, server.port(), "/up/");
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, false, &problems);
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), (Strings{"/up/a.jpg", "/up/b.jpg"}));
    EXPECT_EQ(ui.scanEnds.back().skippedNames, 4);
    using Kind = ScanProblem::Kind;
    std::vector<std::pair<Kind, std::string>> named;
    for (const ScanProblem& p : problems) named.emplace_back(p.kind, p.path);
    EXPECT_EQ(named, (std::vector<std::pair<Kind, std::string>>{
                         {Kind::RemoteNameControlCharacter, "/up/\x1b]0;pwned\x07.jpg"},
                         {Kind::RemoteNameAbsolute, "/up//etc/cron.d/x.jpg"},
                         {Kind::RemoteNameSeparator, "/up/back\\slash.jpg"},
                         {Kind::RemoteNameClimbsOut, "/up/../../evil.jpg"}}));
}

// Folders that list themselves: under the same current path (scanned once), and under
// an ever longer one (stopped at the depth limit), instead of recursing until the stack
// gives out.
TEST_F(RemoteScan, FoldersThatListThemselvesEndTheScan) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<testing::TreeFtpServer::Transfer> {
        if (folder != "/up" && folder.rfind("/up/again", 0) != 0) return std::nullopt;
        return testing::TreeFtpServer::Transfer{testing::listingLine("again", 0, true) +
                                                testing::listingLine("x.jpg", 3)};
    };
    server.pwd = [](const std::string&) { return std::string("/up"); };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), (Strings{"/up/x.jpg"}));
    EXPECT_TRUE(problems.empty());

    server.pwd = nullptr;  // now each level answers where it really is
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    ASSERT_EQ(state.SourceImageList.size(), size_t(kMaxRemoteScanDepth + 1));
    std::string deepest = "/up";
    for (int level = 0; level < kMaxRemoteScanDepth; ++level) deepest += "/again";
    EXPECT_EQ(state.SourceImageList.entries.front().path, deepest + "/x.jpg");
    EXPECT_EQ(state.SourceImageList.entries.back().path, "/up/x.jpg");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::RemoteTooDeep);
    EXPECT_EQ(problems[0].path, deepest + "/again");
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::None);
    EXPECT_EQ(ui.scanEnds.back().depthLimit, 64);
    // The scan came back up to where it started.
    EXPECT_EQ(ftpCurrentDir(sessionTableIn(state.ftpSessions), state.settings.entorno.FtpID), "/up");
}

// A listing that did not arrive whole is its folder's failure, not an empty folder.
TEST_F(RemoteScan, ListingsThatBreakAreFailuresOfTheirFolders) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<testing::TreeFtpServer::Transfer> {
        using Transfer = testing::TreeFtpServer::Transfer;
        if (folder == "/up")
            return Transfer{"total 4\r\n" + testing::listingLine(".", 0, true) + testing::listingLine("..", 0, true) +
                            testing::listingLine("cut", 0, true) + testing::listingLine("long", 0, true) +
                            testing::listingLine("fine", 0, true) + testing::listingLine("a.jpg", 1)};
        if (folder == "/up/cut") return Transfer{testing::listingLine("lost.jpg", 1), false, "426 aborted\r\n"};
        if (folder == "/up/long") return Transfer{testing::listingLine(std::string(1100, 'n') + ".jpg", 1)};
        if (folder == "/up/fine") return Transfer{testing::listingLine("b.jpg", 1)};
        if (folder == "/bad") return Transfer{"-rw-r--r-- 1 o g 1 Jan 1 2020 " + std::string(5000, 'n'), true};
        return std::nullopt;
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    std::vector<ScanProblem> problems;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    std::sort(problems.begin(), problems.end(), [](auto& a, auto& b) { return a.path < b.path; });
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::RemoteListingCut);
    EXPECT_EQ(problems[0].path, "/up/cut");
    EXPECT_EQ(problems[1].kind, ScanProblem::Kind::RemoteListingLineTooLong);
    EXPECT_EQ(problems[1].path, "/up/long");
    Strings paths = pathsOf(state.SourceImageList.entries);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (Strings{"/up/a.jpg", "/up/fine/b.jpg"}));
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::None);  // the folder itself was listed

    // The scanned folder itself: an endless line is cut at the window, and said so.
    useFtpSource(state, server.port(), "/bad/");
    problems.clear();
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true, &problems);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_EQ(ui.scanEnds.back().failure, RemoteFailure::ListingFailed);
    EXPECT_EQ(ui.scanEnds.back().folder, "/bad");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, ScanProblem::Kind::RemoteListingLineTooLong);
}

TEST_F(RemoteScan, StopsAtItsLimitOfEntriesKeepingWhatItFound) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<testing::TreeFtpServer::Transfer> {
        if (folder == "/up") return testing::TreeFtpServer::Transfer{testing::listingLine("many", 0, true) +
                                                                     testing::listingLine("top.jpg", 1)};
        if (folder != "/up/many") return std::nullopt;
        std::string lines;
        for (int i = 0; i < 500; ++i) lines += testing::listingLine("img" + std::to_string(i) + ".jpg", 1);
        return testing::TreeFtpServer::Transfer{lines, true};  // and more, endlessly
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    const FtpID id = checkConnection(remoteContextOf(state), remoteEndpointOf(state.settings.entorno), {true, true, false}).handle;
    ASSERT_NE(id, 0);
    std::vector<SourceImageEntry> found;
    RemoteScanOutcome report;
    RemoteScanLimits limits;
    limits.maxEntries = 1000;
    scanRemoteFolder(remoteContextOf(state), id, found, "/up/", true, "jpg", true, report, limits);
    EXPECT_EQ(report.failure, RemoteFailure::None);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(found.size(), 999u);  // the 998 of "many" that fit, then the folder's own
    EXPECT_EQ(found.back().path, "/up/top.jpg");
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].kind, ScanProblem::Kind::RemoteEntryLimit);
    EXPECT_EQ(report.problems[0].path, "/up/many");
    EXPECT_EQ(report.entryLimit, 1000u);
    // The cut listing was answered: the session goes on.
    EXPECT_TRUE(ftpCheck(sessionTableIn(state.ftpSessions), id));
}

}  // namespace
}  // namespace tesselon

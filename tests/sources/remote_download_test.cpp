#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <sstream>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"
#include "support/scripted_ftp_server.h"
#include "support/tree_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Files = std::map<std::string, std::string>;
using End = RemoteDownloadOutcome::End;

std::vector<std::string> skippedPaths(const RemoteDownloadOutcome& outcome) {
    std::vector<std::string> paths;
    for (const FailedRemoteFile& f : outcome.skipped) paths.push_back(f.path);
    return paths;
}

class RemoteDownload : public ::testing::Test {
protected:
    RemoteDownload() : ui(state) { state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R"; }

    void listRemote(std::initializer_list<std::pair<const char*, int64_t>> entries) {
        for (const auto& [path, size] : entries) {
            SourceImageEntry& e = state.SourceImageList.entries.emplace_back();
            e.path = path;
            e.size = size;
        }
    }

    RemoteDownloadOutcome download(int connections = kDefaultDownloadConnections, const std::string& into = "bajadas") {
        RemoteDownloadOptions options;
        options.connections = connections;
        return downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, local.path() + into, {}, options);
    }

    // Files in `folders` folders of /up, of sizes from a few bytes to a few hundred KB.
    void serveTree(int folders, int perFolder) {
        for (int f = 0; f < folders; ++f) {
            for (int i = 0; i < perFolder; ++i) {
                const size_t size = size_t(37 + 48000 * ((f * perFolder + i) % 7));
                served.write("up/d" + std::to_string(f) + "/f" + std::to_string(i) + ".jpg",
                             std::string(size, char('a' + (f * perFolder + i) % 26)));
            }
        }
    }

    // The one file `path` of a scripted server, with a 1 s timeout, skipped if it fails.
    RemoteDownloadOutcome downloadOneFile(uint16_t port, const char* path, bool passive = true) {
        useFtpSource(state, port, "/up/");
        state.settings.entorno.pasivo = passive ? 1 : 0;
        sessionTableIn(state.ftpSessions).timeoutSeconds = 1;
        listRemote({{path, 1000}});
        ui.retryAnswers = {RetryAnswer::Skip};
        return download();
    }

    std::vector<std::string> transfersLogged() const {
        std::vector<std::string> lines;
        std::istringstream in(testing::readFile(log));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    AppState state;
    ScanFrontend ui;
    testing::TempDir served;
    testing::TempDir local;
    std::string log = local.file("server.log");
};

TEST_F(RemoteDownload, FetchesEveryImageIntoTheRemoteLayoutAndOffersTheFolder) {
    served.write("up/2020/a.jpg", std::string(100000, 'a'));
    served.write("up/b.jpg", "bb");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 2u);

    const RemoteDownloadOutcome result = download();
    EXPECT_EQ(result.end, End::Finished);
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_EQ(result.fetched, 2u);
    EXPECT_EQ(testing::filesUnder(local.path()),
              (Files{{"bajadas/up/2020/a.jpg", std::string(100000, 'a')}, {"bajadas/up/b.jpg", "bb"}}));
    EXPECT_EQ(state.settings.entorno.RutaEnLocalDeRemotoDescargadas, local.path() + "bajadas");
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 0u);
    EXPECT_TRUE(ui.mainEnabled);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.retryQuestions.empty());
    // The last report of each file is its whole size.
    ASSERT_FALSE(ui.remoteProgress.empty());
    const RemoteProgress& last = ui.remoteProgress.back();
    EXPECT_EQ(last.phase, RemotePhase::Downloading);
    EXPECT_EQ(last.index, 2u);
    EXPECT_EQ(last.total, 2u);
}

TEST_F(RemoteDownload, SeveralConnectionsGiveTheSameTreeAsOneFetchingEachFileOnce) {
    serveTree(3, 6);
    testing::FtpTestServer server(served.path(), {log});
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 18u);

    const RemoteDownloadOutcome one = download(1, "one");
    EXPECT_EQ(one.connections, 1u);
    const size_t loggedByOne = transfersLogged().size();
    ui.remoteProgress.clear();
    const RemoteDownloadOutcome four = download(4, "four");
    EXPECT_EQ(four.end, End::Finished);
    EXPECT_EQ(four.connections, 4u);
    EXPECT_EQ(four.fetched, 18u);
    EXPECT_TRUE(four.skipped.empty());
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 0u);  // every connection ended

    const Files byOne = testing::filesUnder(local.file("one/"));
    EXPECT_EQ(byOne.size(), 18u);
    EXPECT_EQ(testing::filesUnder(local.file("four/")), byOne);
    EXPECT_EQ(testing::filesUnder(local.file("four/up/")), testing::filesUnder(served.file("up/")));
    // Each file asked for once.
    const std::vector<std::string> logged = transfersLogged();
    EXPECT_EQ(logged.size(), 36u);
    EXPECT_EQ(loggedByOne, 18u);
    EXPECT_EQ(std::set<std::string>(logged.begin() + 18, logged.end()).size(), 18u);
    // The count of files shown never goes back nor past the total, and ends on it.
    size_t shown = 0;
    for (const RemoteProgress& p : ui.remoteProgress) {
        EXPECT_EQ(p.total, 18u);
        EXPECT_GE(p.index, shown);
        EXPECT_LE(p.index, 18u);
        shown = p.index;
    }
    EXPECT_EQ(shown, 18u);
}

TEST_F(RemoteDownload, AFailingFileAmongParallelTransfersIsAskedAboutAndLeftOutOnce) {
    serveTree(2, 5);
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    // Listed, then gone from the server before the download.
    std::filesystem::remove(served.file("up/d0/f2.jpg"));

    ui.retryAnswers = {RetryAnswer::Retry, RetryAnswer::Skip};
    const RemoteDownloadOutcome result = download(4);
    EXPECT_EQ(result.end, End::Finished);
    EXPECT_EQ(result.fetched, 9u);
    ASSERT_EQ(ui.retryQuestions.size(), 2u);
    EXPECT_EQ(ui.retryQuestions[0].path, "/up/d0/f2.jpg");
    EXPECT_EQ(ui.retryQuestions[1].path, "/up/d0/f2.jpg");
    EXPECT_EQ(ui.retryQuestions[1].attempt, 2);
    EXPECT_EQ(skippedPaths(result), std::vector<std::string>{"/up/d0/f2.jpg"});
    EXPECT_EQ(testing::filesUnder(local.file("bajadas/up/")), testing::filesUnder(served.file("up/")));
}

// Active mode, the connection window's default, with the download's four connections:
// pyftpdlib loses a data connection it was asked for while another session of the same
// client has one open (it forgets the socket of a finished transfer by its number, which
// another session's new socket has taken meanwhile). Each such loss cost a timeout and a
// question about the file. Several downloads, as a user makes them one after another,
// since the loss needs sockets renumbered.
TEST_F(RemoteDownload, InActiveModeTenFilesAskedOverFourConnectionsAllArriveUnasked) {
    for (int i = 0; i < 10; ++i)
        served.write("fotos/f" + std::to_string(i) + ".jpg", std::string(size_t(20000 + 7919 * i), char('a' + i)));
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/fotos/");
    state.settings.entorno.pasivo = 0;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 10u);

    for (int round = 0; round < 4; ++round) {
        const std::string into = "bajadas" + std::to_string(round);
        const RemoteDownloadOutcome result = download(4, into);
        EXPECT_EQ(result.end, End::Finished) << "download " << round;
        EXPECT_EQ(result.fetched, 10u) << "download " << round;
        EXPECT_TRUE(result.skipped.empty()) << "download " << round;
        EXPECT_TRUE(testing::filesUnder(local.file(into + "/fotos/")) == testing::filesUnder(served.file("fotos/")))
            << "download " << round;
    }
    EXPECT_TRUE(ui.retryQuestions.empty()) << ui.retryQuestions.size() << " questions, the first about "
                                           << ui.retryQuestions.front().path;
}

// Cancel while four slow files are in hand: they stop at once, and neither a part of
// one nor its unfinished copy stays behind.
TEST_F(RemoteDownload, CancelStopsEveryTransferLeavingNoPartOfAFile) {
    for (int i = 0; i < 6; ++i) served.write("up/d" + std::to_string(i % 2) + "/f" + std::to_string(i) + ".jpg",
                                             std::string(600000, char('k' + i)));
    testing::FtpServerOptions slow;
    slow.bytesPerSecond = 100000;
    testing::FtpTestServer server(served.path(), slow);
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    ASSERT_EQ(state.SourceImageList.size(), 6u);
    ui.whilePausing = [&] {
        const bool moving = std::any_of(ui.remoteProgress.begin(), ui.remoteProgress.end(),
                                        [](const RemoteProgress& p) { return p.bytes > 0; });
        if (moving) ui.requestCancel();
    };
    const RemoteDownloadOutcome result = download(4);
    EXPECT_EQ(result.end, End::Cancelled);
    EXPECT_EQ(result.fetched, 0u);
    EXPECT_TRUE(result.skipped.empty());  // stopped, not failed
    for (const auto& [name, bytes] : testing::filesUnder(local.file("bajadas/"))) ADD_FAILURE() << name << " left";
}

TEST_F(RemoteDownload, AServerThatAllowsFewerConnectionsServesTheDownloadWithThose) {
    serveTree(2, 4);
    testing::FtpServerOptions limited;
    limited.maxPerIp = 2;
    testing::FtpTestServer server(served.path(), limited);
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);

    const RemoteDownloadOutcome result = download(8);
    EXPECT_EQ(result.end, End::Finished);
    EXPECT_EQ(result.connections, 2u);
    EXPECT_EQ(result.fetched, 8u);
    EXPECT_TRUE(ui.messages.empty());  // the refused ones are not the user's concern
    EXPECT_EQ(testing::filesUnder(local.file("bajadas/up/")), testing::filesUnder(served.file("up/")));
}

// A connection that loses step with the server and cannot be had back leaves its
// files to the others: nothing is asked about that, and nothing is lost.
TEST_F(RemoteDownload, AConnectionLostForGoodLeavesItsFilesToTheOthers) {
    using Transfer = testing::TreeFtpServer::Transfer;
    testing::TreeFtpServer server;
    server.maxConnections = 2;
    std::atomic<int> silentTries{0};
    server.list = [](const std::string&) -> std::optional<Transfer> { return Transfer{}; };
    server.retrieve = [&](const std::string& path) -> std::optional<Transfer> {
        // The first try of silent.jpg says nothing after its data; the second is whole.
        // (Its data is whole too: a file cut at its listed size is not tried again.)
        if (path == "/up/silent.jpg" && silentTries++ == 0) return Transfer{std::string(411, 's'), false, ""};
        return Transfer{std::string(411, path[4])};
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    sessionTableIn(state.ftpSessions).timeoutSeconds = 1;
    listRemote({{"/up/silent.jpg", 411}, {"/up/a.jpg", 411}, {"/up/b.jpg", 411}, {"/up/c.jpg", 411}});
    ui.retryAnswers = {RetryAnswer::Retry};
    const RemoteDownloadOutcome result = download(2);
    EXPECT_EQ(result.end, End::Finished);
    EXPECT_EQ(result.connections, 2u);
    EXPECT_EQ(result.fetched, 4u);
    EXPECT_TRUE(result.skipped.empty());
    ASSERT_EQ(ui.retryQuestions.size(), 1u);  // the silent file's failure, not the lost connection
    EXPECT_EQ(ui.retryQuestions[0].path, "/up/silent.jpg");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(server.connections(), 3);  // the third, to replace the lost one, was refused
    EXPECT_EQ(testing::filesUnder(local.file("bajadas/up/")),
              (Files{{"silent.jpg", std::string(411, 's')}, {"a.jpg", std::string(411, 'a')},
                     {"b.jpg", std::string(411, 'b')}, {"c.jpg", std::string(411, 'c')}}));
}

TEST_F(RemoteDownload, AFailedFileIsRetriedSkippedOrEndsTheDownload) {
    served.write("up/a.jpg", "a");
    served.write("up/c.jpg", "c");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    listRemote({{"/up/a.jpg", 1}, {"/up/missing.jpg", 5}, {"/up/c.jpg", 1}});

    ui.retryAnswers = {RetryAnswer::Retry, RetryAnswer::Skip};
    RemoteDownloadOutcome result = download();
    EXPECT_EQ(result.end, End::Finished);
    EXPECT_EQ(result.fetched, 2u);
    // Asked twice about the same file, which is left out once, with its last try.
    ASSERT_EQ(ui.retryQuestions.size(), 2u);
    EXPECT_EQ(ui.retryQuestions[0].path, "/up/missing.jpg");
    EXPECT_EQ(ui.retryQuestions[0].attempt, 1);
    EXPECT_EQ(ui.retryQuestions[1].attempt, 2);
    EXPECT_EQ(ui.retryQuestions[1].failure, RemoteFailure::TransferRefused);
    EXPECT_EQ(skippedPaths(result), std::vector<std::string>{"/up/missing.jpg"});
    EXPECT_EQ(result.skipped[0].attempt, 2);
    EXPECT_EQ(testing::filesUnder(local.path()), (Files{{"bajadas/up/a.jpg", "a"}, {"bajadas/up/c.jpg", "c"}}));

    ui.retryAnswers = {RetryAnswer::Cancel};
    result = download();
    EXPECT_EQ(result.end, End::Cancelled);
    EXPECT_TRUE(result.cancelledOnFailure);
    EXPECT_TRUE(state.cancel->requested());
}

TEST_F(RemoteDownload, RefusesWithoutAListOrAfterALocalScanUnlessRescanned) {
    EXPECT_EQ(download().end, End::NotRemote);  // a local source downloads nothing
    useFtpSource(state, 1, "/up/");
    EXPECT_EQ(download().end, End::EmptyList);

    state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "L";
    listRemote({{"/up/a.jpg", 1}});
    ui.answers = {MessageAnswer::No};
    EXPECT_EQ(download().end, End::LastScanLocal);
    EXPECT_EQ(ui.messages[0].title, "Aviso");
    EXPECT_EQ(sessionTableIn(state.ftpSessions).size(), 0u);
}

TEST_F(RemoteDownload, NothingIsWrittenOutsideTheChosenFolder) {
    served.write("up/a.jpg", "a");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    EXPECT_EQ(downloadTarget("/d/", "/up/../../etc/x.jpg"), "");
    EXPECT_EQ(downloadTarget("/d/", "/up/a.jpg"), "/d/up/a.jpg");

    // A list holding a path with ".." skips it; a link in the folder pointing out is refused.
    listRemote({{"/up/../../../a.jpg", 1}});
    const RemoteDownloadOutcome unsafe = download();
    EXPECT_EQ(unsafe.end, End::Finished);
    ASSERT_EQ(unsafe.skipped.size(), 1u);
    EXPECT_EQ(unsafe.skipped[0].failure, RemoteFailure::UnsafeName);
    EXPECT_TRUE(ui.retryQuestions.empty());  // never fetched, so never asked about
    std::filesystem::create_directories(local.file("outside"));
    std::filesystem::create_directories(local.file("bajadas"));
    std::filesystem::create_directory_symlink(local.file("outside"), local.file("bajadas/up"));
    state.SourceImageList.clear();
    listRemote({{"/up/a.jpg", 1}, {"/up/2020/b.jpg", 1}});
    EXPECT_EQ(download().end, End::SubfolderFailed);
    // Not even an empty folder is made where the link leads.
    EXPECT_TRUE(std::filesystem::is_empty(local.file("outside")));
}

TEST_F(RemoteDownload, AFolderSwappedForALinkMidDownloadReceivesNothing) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) served.write(std::string("up/sub/") + name, name);
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    listRemote({{"/up/sub/a.jpg", 5}, {"/up/sub/b.jpg", 5}, {"/up/sub/c.jpg", 5}});
    std::filesystem::create_directories(local.file("outside"));
    const std::string sub = local.file("bajadas/up/sub");
    bool swapped = false;
    ui.whilePausing = [&] {
        if (swapped || !std::filesystem::exists(sub + "/a.jpg")) return;
        swapped = true;
        std::filesystem::rename(sub, sub + ".before");
        std::filesystem::create_directory_symlink(local.file("outside"), sub);
    };
    // One connection: the files go one after another, so the swap falls between two.
    const RemoteDownloadOutcome result = download(1);
    EXPECT_EQ(result.end, End::SubfolderFailed);
    EXPECT_EQ(result.folder, sub + "/");
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(std::filesystem::is_empty(local.file("outside")));
    EXPECT_EQ(testing::filesUnder(sub + ".before/"), (Files{{"a.jpg", "a.jpg"}}));
}

TEST_F(RemoteDownload, AStalledTransferFailsAndLeavesNoPartialFile) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");  // CWD of the connection test
        c.answerPassive();
        c.answer("150 sending\r\n");
        FileDescriptor data = c.acceptData();
        writeAll(data.get(), "part", 4);
        c.command();  // held open, silent, until the client gives up
    });
    const RemoteDownloadOutcome result = downloadOneFile(server.port(), "/up/big.jpg");
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].failure, RemoteFailure::TransferBroken);
    EXPECT_TRUE(testing::filesUnder(local.path()).empty());
}

// Active mode: the server takes PORT and RETR but never connects back. The file is
// told as one whose data connection never came, not as one the server refused.
TEST_F(RemoteDownload, AFileWhoseActiveDataConnectionNeverComesIsToldSo) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");  // CWD of the connection test
        c.answer("200 binary\r\n");
        c.answer("200 PORT taken\r\n");
        c.answer("150 opening the data connection\r\n");
        c.command();  // and nothing more, until the client gives up
    });
    const RemoteDownloadOutcome result = downloadOneFile(server.port(), "/up/FreshFlower.jpg", false);
    ASSERT_EQ(ui.retryQuestions.size(), 1u);
    EXPECT_EQ(ui.retryQuestions[0].failure, RemoteFailure::NoDataConnection);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].failure, RemoteFailure::NoDataConnection);
    EXPECT_TRUE(testing::filesUnder(local.path()).empty());
}

// A server that goes silent at PORT: the file is told as one the server stopped
// answering for.
TEST_F(RemoteDownload, AFileWhoseServerStopsAnsweringAtPortIsToldSo) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");
        c.answer("200 binary\r\n");
        c.command();  // PORT, never answered
        c.command();
    });
    const RemoteDownloadOutcome result = downloadOneFile(server.port(), "/up/FreshFlower.jpg", false);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].failure, RemoteFailure::TimedOut);
    const std::vector<std::string> commands = server.commands();
    ASSERT_GE(commands.size(), 5u);
    EXPECT_EQ(commands[4].substr(0, 5), "PORT ");
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const std::string& c) { return c.starts_with("RETR"); }),
              0);
}

// A file that passes its listed size, or ends short of it, fails without leaving a
// file; a server that then says nothing loses its session, and the next file is
// fetched over a fresh one.
TEST_F(RemoteDownload, FilesAreHeldToTheirListedSizes) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<testing::TreeFtpServer::Transfer> {
        if (folder != "/" && folder != "/up") return std::nullopt;
        return testing::TreeFtpServer::Transfer{};
    };
    server.retrieve = [](const std::string& path) -> std::optional<testing::TreeFtpServer::Transfer> {
        using Transfer = testing::TreeFtpServer::Transfer;
        if (path == "/up/endless.jpg") return Transfer{std::string(8192, 'e'), true, "426 aborted\r\n"};
        if (path == "/up/short.jpg") return Transfer{std::string(20, 's')};
        if (path == "/up/silent.jpg") return Transfer{std::string(8192, 'e'), true, ""};
        if (path == "/up/fine.jpg") return Transfer{std::string(411, 'f')};
        if (path == "/up/huge.jpg") return Transfer{std::string(8192, 'h'), true};
        return std::nullopt;
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    sessionTableIn(state.ftpSessions).timeoutSeconds = 1;
    // A size beyond any image the program reads is not even asked for.
    listRemote({{"/up/huge.jpg", int64_t(1) << 40}, {"/up/endless.jpg", 411}, {"/up/short.jpg", 411},
                {"/up/silent.jpg", 411}, {"/up/fine.jpg", 411}});
    ui.retryAnswers = {RetryAnswer::Skip, RetryAnswer::Skip, RetryAnswer::Skip, RetryAnswer::Skip};
    const RemoteDownloadOutcome result = download(1);
    EXPECT_EQ(skippedPaths(result),
              (std::vector<std::string>{"/up/huge.jpg", "/up/endless.jpg", "/up/short.jpg", "/up/silent.jpg"}));
    EXPECT_EQ(result.skipped[1].failure, RemoteFailure::LargerThanListed);
    EXPECT_EQ(result.skipped[2].failure, RemoteFailure::ShorterThanListed);
    EXPECT_EQ(testing::filesUnder(local.path()), (Files{{"bajadas/up/fine.jpg", std::string(411, 'f')}}));
    // One session until the silent one lost it: the 426 after the first cut kept it.
    EXPECT_EQ(server.connections(), 2);
    for (const std::string& command : server.commands()) EXPECT_NE(command, "RETR /up/huge.jpg");
}

}  // namespace
}  // namespace tesselon

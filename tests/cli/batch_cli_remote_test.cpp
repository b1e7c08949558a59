// tesselon-batch with an FTP source, run as a program against pyftpdlib: the output
// tree must equal that of a local run over the same images.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "cli/cli_options.h"
#include "cli/remote_texts.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "runtime/process/program_run.h"
#include "support/ftp_test_server.h"
#include "support/loopback.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/tree_ftp_server.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::FtpTestServer;
using testing::TempDir;

struct BatchRun {
    int code = -1;
    std::string err;
};

// The real program, so that the password reaches it only through its environment.
BatchRun batch(const std::string& arguments, const char* password) {
    if (password) {
        ::setenv("TESSELON_FTP_PASSWORD", password, 1);
    } else {
        ::unsetenv("TESSELON_FTP_PASSWORD");
    }
    RunResult started = runProgram(testing::binDir() + "tesselon-batch", arguments, {}, kRunOpen | kRunReadError);
    ::unsetenv("TESSELON_FTP_PASSWORD");
    BatchRun run;
    if (!started.run) return run;
    char buffer[4096];
    for (size_t n; (n = started.run->readError(buffer, sizeof buffer)) > 0;) run.err.append(buffer, n);
    run.code = started.run->exitCode();
    return run;
}

class BatchCliRemote : public ::testing::Test {
protected:
    BatchCliRemote() : server(served.path()) {
        const char* names[] = {"imgs/a.jpg", "imgs/b.jpg", "imgs/sub/c.jpg", "imgs/sub/deep/d.jpg"};
        for (int i = 0; i < 4; ++i) {
            ImageObject image = *createImage(80 + 8 * i, 60, 24, uint32_t(0x203040 * (i + 1)));
            for (size_t b = 0; b < image.pixels.size(); b += 5) image.pixels[b] = uint8_t(b * (i + 7));
            saveImage(image, served.write(names[i], ""), *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
        }
        dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90,\"EscalaGrises\":1}\r\n");
    }

    std::string remoteArguments(const std::string& extra = {}, uint16_t port = 0, const char* folder = "/imgs/") {
        return "--config " + dir.file("job.cfg") + " --remote --server 127.0.0.1 --port " +
               std::to_string(port ? port : server.port()) + " --user " + FtpTestServer::kUser +
               " --remote-folder " + folder + " --subfolders --download-to " + dir.file("down") + " --dest " +
               dir.file("remote-out") + " --report " + dir.file("report.json") + extra;
    }

    TempDir dir;
    TempDir served;
    FtpTestServer server;
    // The program under the sanitizers reports fontconfig's lifetime blocks unless told;
    // the setting ends with the test, whose folder holds the file it names.
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};
};

TEST_F(BatchCliRemote, ConvertsTheServersImagesExactlyAsALocalRunWould) {
    ASSERT_NE(server.port(), 0);
    // One connection: pyftpdlib now and then misses an active data connection made while
    // other sessions transfer, and waits 30 s before it says so.
    const BatchRun remote = batch(remoteArguments(" --active --connections 1"), FtpTestServer::kPassword);
    ASSERT_EQ(remote.code, 0) << remote.err;
    const BatchRun local = batch("--config " + dir.file("job.cfg") + " --source " + served.file("imgs") +
                                " --subfolders --dest " + dir.file("local-out"),
                            nullptr);
    ASSERT_EQ(local.code, 0) << local.err;

    const auto fromServer = testing::filesUnder(dir.file("remote-out/"));
    const auto fromDisk = testing::filesUnder(dir.file("local-out/"));
    ASSERT_EQ(fromDisk.size(), 4u);
    // The download folder holds the remote tree, so the results keep the remote folders.
    ASSERT_EQ(fromServer.size(), 4u);
    for (const auto& [name, bytes] : fromDisk) {
        ASSERT_EQ(fromServer.count("imgs/" + name), 1u) << name;
        EXPECT_TRUE(fromServer.at("imgs/" + name) == bytes) << name << " differs";
    }
    EXPECT_EQ(testing::readFile(dir.file("down/imgs/sub/c.jpg")), testing::readFile(served.file("imgs/sub/c.jpg")));
}

// The built-in download folder and destination are one temporary folder: with neither
// given, the download goes into a folder of the server's name inside it.
TEST_F(BatchCliRemote, WithNoFolderGivenTheDownloadGoesBesideTheResultsUnderTheServersName) {
    ASSERT_NE(server.port(), 0);
    const std::string tmp = dir.write("tmp/.keep", "").substr(0, dir.file("tmp/").size());
    const testing::ScopedEnv tmpdir{"TMPDIR", tmp};
    const BatchRun run = batch("--config " + dir.file("job.cfg") + " --remote --server 127.0.0.1 --port " +
                                   std::to_string(server.port()) + " --user " + FtpTestServer::kUser +
                                   " --remote-folder /imgs/ --subfolders --passive",
                               FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("downloading into '" + tmp + "127.0.0.1/'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("results in " + tmp + "\n"), std::string::npos) << run.err;
    EXPECT_EQ(testing::readFile(tmp + "127.0.0.1/imgs/sub/c.jpg"), testing::readFile(served.file("imgs/sub/c.jpg")));
    EXPECT_EQ(testing::filesUnder(tmp + "imgs/").size(), 4u);
}

TEST_F(BatchCliRemote, TheSummaryTimesTheWholeRunWithTheScanAndTheDownloadApart) {
    ASSERT_NE(server.port(), 0);
    const BatchRun run = batch(remoteArguments(" --passive"), FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    double total = -1, scan = -1, download = -1, conversion = -1, rate = -1;
    const size_t at = run.err.find("4 of 4 images saved, 0 failed in ");
    ASSERT_NE(at, std::string::npos) << run.err;
    ASSERT_EQ(std::sscanf(run.err.c_str() + at,
                          "4 of 4 images saved, 0 failed in %lf s (scan %lf s, download %lf s, conversion %lf s, "
                          "%lf images/s)",
                          &total, &scan, &download, &conversion, &rate),
              5)
        << run.err;
    // The total is the sum of its parts, each rounded to a tenth on its own.
    EXPECT_NEAR(total, scan + download + conversion, 0.2) << run.err;
    EXPECT_GT(rate, 0.0) << run.err;
}

// Images at the server's top, as many hosts keep them: with the folder "/" each remote
// path has one part, and its file lands in the download folder itself.
TEST_F(BatchCliRemote, ImagesAtTheServersTopAreConverted) {
    ASSERT_NE(server.port(), 0);
    const std::string top = testing::readFile(served.file("imgs/a.jpg"));
    served.write("top.jpg", top);
    const BatchRun run = batch(remoteArguments(" --passive", 0, "/"), FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(testing::readFile(dir.file("down/top.jpg")) == top);
    const auto results = testing::filesUnder(dir.file("remote-out/"));
    EXPECT_EQ(results.size(), 5u);
    ASSERT_EQ(results.count("top.jpg"), 1u);
    EXPECT_TRUE(results.at("top.jpg") == results.at("imgs/a.jpg"));  // the same image, converted alike
}

// Said once each, --quiet or not, in the terminal's own words: a refused login names
// the user and the server's reply, a server nobody answers for is "cannot connect".
TEST_F(BatchCliRemote, ARefusedLoginIsToldApartFromAnUnreachableServer) {
    ASSERT_NE(server.port(), 0);
    const auto once = [](const std::string& err, const std::string& line) {
        const size_t first = err.find(line);
        return first != std::string::npos && err.find(line, first + 1) == std::string::npos;
    };
    BatchRun run = batch(remoteArguments(), "wrong");
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(once(run.err, "tesselon-batch: the server 127.0.0.1 port " + std::to_string(server.port()) +
                                  " refused the login of user '" + FtpTestServer::kUser + "' (reply 530)\n"))
        << run.err;
    run = batch(remoteArguments(" --quiet"), nullptr);  // no password anywhere
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(once(run.err, "refused the login")) << run.err;
    // The user may have meant to give it there.
    EXPECT_TRUE(once(run.err, "refused the login of user 'tester' (reply 530); TESSELON_FTP_PASSWORD is not set"))
        << run.err;

    uint16_t closed = 0;
    testing::listenOnLoopback(closed);  // closed again at once: nothing listens there
    run = batch(remoteArguments(" --quiet", closed), FtpTestServer::kPassword);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(once(run.err, "tesselon-batch: cannot connect to 127.0.0.1 port " + std::to_string(closed) + "\n"))
        << run.err;
    EXPECT_EQ(run.err.find("refused"), std::string::npos) << run.err;
    // One language: none of the desktop's Spanish.
    EXPECT_EQ(run.err.find("Conexi"), std::string::npos) << run.err;
}

// A file the server will not send is tried three times, then named once, with why, on
// stderr and in the report.
TEST_F(BatchCliRemote, AFailedFileIsRetriedThenNamedOnce) {
    ASSERT_NE(server.port(), 0);
    // A link whose target is gone is listed but cannot be fetched.
    ASSERT_EQ(::symlink("missing.jpg", served.file("imgs/broken.jpg").c_str()), 0);
    const BatchRun run = batch(remoteArguments(" --passive"), FtpTestServer::kPassword);
    EXPECT_EQ(run.code, 1) << run.err;
    const std::string reason = "the download failed 3 times: the server refused the file";
    const std::string line = "tesselon-batch: failed '/imgs/broken.jpg': " + reason + "\n";
    const size_t first = run.err.find(line);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("broken.jpg", first + line.size()), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("broken.jpg"), first + line.find("broken.jpg")) << run.err;
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/")).size(), 4u);
    const std::string report = testing::readFile(dir.file("report.json"));
    const size_t broken = report.find("\"path\":\"/imgs/broken.jpg\"");
    ASSERT_NE(broken, std::string::npos) << report;
    EXPECT_EQ(report.find("\"reason\":\"" + reason + "\"", broken), report.find("\"reason\"", broken)) << report;
}

// A hostile server: names that would leave the download folder and a listing cut
// short are named in the report and on stderr, and the run fails, while the one good
// image is converted.
TEST_F(BatchCliRemote, UnsafeNamesAndBrokenListingsAreReportedAndFailTheRun) {
    using testing::listingLine;
    using Transfer = testing::TreeFtpServer::Transfer;
    const std::string image = testing::readFile(served.file("imgs/a.jpg"));
    testing::TreeFtpServer hostile;
    hostile.list = [&](const std::string& folder) -> std::optional<Transfer> {
        if (folder == "/" || folder == "/imgs")
            return Transfer{listingLine("a.jpg", int64_t(image.size())) + listingLine("../../evil.jpg", 9) +
                            listingLine("\x1b[2Jclear.jpg", 9) + listingLine("sub", 0, true)};
        if (folder == "/imgs/sub") return Transfer{listingLine("lost.jpg", 9), false, "426 aborted\r\n"};
        if (folder == "/bad") return Transfer{listingLine(std::string(2000, 'x') + ".jpg", 9)};
        return std::nullopt;
    };
    hostile.retrieve = [&](const std::string& path) -> std::optional<Transfer> {
        if (path == "/imgs/a.jpg") return Transfer{image};
        return std::nullopt;
    };
    hostile.start();
    ASSERT_NE(hostile.port(), 0);

    const BatchRun run = batch(remoteArguments(" --passive --quiet", hostile.port()), "pw");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("skipped '/imgs/../../evil.jpg': unsafe name: it leads out of its folder"),
              std::string::npos) << run.err;
    EXPECT_NE(run.err.find("skipped '/imgs/sub': the folder's listing was cut short"), std::string::npos) << run.err;
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/")).size(), 1u);
    EXPECT_EQ(testing::filesUnder(dir.file("down/")).size(), 1u);

    const JsonParseResult parsed = parseJson(testing::readFile(dir.file("report.json")));
    ASSERT_TRUE(std::holds_alternative<JsonDocument>(parsed));
    std::map<std::string, std::pair<bool, std::string>> entries;  // path -> saved, reason
    for (const JsonValue& item : *std::get<JsonDocument>(parsed).root().asArray()) {
        const JsonObject& o = *item.asObject();
        const JsonValue* reason = o.find("reason");
        entries[*o.find("path")->asString()] = {*o.find("saved")->asBoolean(), reason ? *reason->asString() : ""};
    }
    EXPECT_EQ(entries, (std::map<std::string, std::pair<bool, std::string>>{
                           {"/imgs/a.jpg", {true, ""}},
                           {"/imgs/../../evil.jpg", {false, "unsafe name: it leads out of its folder"}},
                           {"/imgs/\x1b[2Jclear.jpg", {false, "unsafe name: it holds control characters"}},
                           {"/imgs/sub", {false, "the folder's listing was cut short"}}}));

    // The scanned folder's own listing cannot be read whole: a failure, not an empty folder.
    const BatchRun bad = batch(remoteArguments(" --passive", hostile.port(), "/bad/"), "pw");
    EXPECT_EQ(bad.code, 1) << bad.err;
    const std::string said = "skipped '/bad': a line of the folder's listing is too long to read";
    EXPECT_NE(bad.err.find(said), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find("/bad", bad.err.find(said) + said.size()), std::string::npos) << bad.err;
}

// A file that brings more than its listing gave would bring as much again: it is cut
// at its listed size once and named with that size, while the good image is converted.
TEST_F(BatchCliRemote, AFileLargerThanListedIsCutOnceAndNamedWithTheSize) {
    using testing::listingLine;
    using Transfer = testing::TreeFtpServer::Transfer;
    const std::string image = testing::readFile(served.file("imgs/a.jpg"));
    testing::TreeFtpServer growing;
    growing.list = [&](const std::string& folder) -> std::optional<Transfer> {
        if (folder == "/" || folder == "/imgs")
            return Transfer{listingLine("a.jpg", int64_t(image.size())) + listingLine("grows.jpg", 411)};
        return std::nullopt;
    };
    growing.retrieve = [&](const std::string& path) -> std::optional<Transfer> {
        if (path == "/imgs/a.jpg") return Transfer{image};
        if (path == "/imgs/grows.jpg") return Transfer{std::string(8192, 'g'), true, "426 aborted\r\n"};
        return std::nullopt;
    };
    growing.start();
    ASSERT_NE(growing.port(), 0);

    const BatchRun run = batch(remoteArguments(" --passive --quiet", growing.port()), "pw");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("failed '/imgs/grows.jpg': the download failed 1 time: the file is larger than the 411 "
                           "bytes the server listed for it; not tried again"),
              std::string::npos)
        << run.err;
    const std::vector<std::string> commands = growing.commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "RETR /imgs/grows.jpg"), 1);
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/")).size(), 1u);
}

// The files the server was asked for, one line each.
size_t countOfLines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// A nightly run: what the download folder holds as the server has it is neither
// downloaded nor converted again; a file changed on the server is both, alone.
TEST_F(BatchCliRemote, WithSkipUnchangedOnlyAFileChangedOnTheServerIsDownloadedAgain) {
    // Passive: pyftpdlib now and then misses an active data connection made while other
    // sessions transfer, and waits 30 s before it says so; the retry would count twice.
    const std::string log = dir.file("server.log");
    FtpTestServer logged(served.path(), {log});
    ASSERT_NE(logged.port(), 0);
    const std::string arguments = remoteArguments(" --skip-unchanged --connections 3 --passive", logged.port());
    BatchRun run = batch(arguments, FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(countOfLines(testing::readFile(log)), 4u);
    EXPECT_NE(run.err.find("downloaded 4 files over 3 connections, 0 unchanged"), std::string::npos) << run.err;

    run = batch(arguments, FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(countOfLines(testing::readFile(log)), 4u);  // nothing asked for
    // Nothing to fetch needs no more than the first connection.
    EXPECT_NE(run.err.find("downloaded 0 files over 1 connection, 4 unchanged since the last download"),
              std::string::npos) << run.err;
    EXPECT_NE(run.err.find("4 skipped (unchanged)"), std::string::npos) << run.err;

    // Another picture under the same name, dated two days back.
    ImageObject image = *createImage(120, 90, 24, 0x405060);
    for (size_t b = 0; b < image.pixels.size(); b += 3) image.pixels[b] = uint8_t(b * 13);
    ASSERT_TRUE(
        saveImage(image, served.file("imgs/sub/c.jpg"), *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)}));
    const timespec twoDaysBack[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 2 * 86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, served.file("imgs/sub/c.jpg").c_str(), twoDaysBack, 0), 0);

    run = batch(arguments, FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string transfers = testing::readFile(log);
    EXPECT_EQ(countOfLines(transfers), 5u);
    EXPECT_EQ(transfers.substr(transfers.rfind('\n', transfers.size() - 2) + 1), "RETR imgs/sub/c.jpg\n");
    EXPECT_NE(run.err.find("downloaded 1 file over "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(", 3 unchanged since the last download"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("3 skipped (unchanged)"), std::string::npos) << run.err;

    // The results are those of a local run over the server's files as they are now.
    const BatchRun local = batch("--config " + dir.file("job.cfg") + " --source " + served.file("imgs") +
                                     " --subfolders --dest " + dir.file("local-out"),
                                 nullptr);
    ASSERT_EQ(local.code, 0) << local.err;
    const auto fromServer = testing::filesUnder(dir.file("remote-out/imgs/"));
    const auto fromDisk = testing::filesUnder(dir.file("local-out/"));
    ASSERT_EQ(fromDisk.size(), 4u);
    for (const auto& [name, bytes] : fromDisk) {
        ASSERT_EQ(fromServer.count(name), 1u) << name;
        EXPECT_TRUE(fromServer.at(name) == bytes) << name << " differs";
    }
}

// Each shard downloads only the images it converts; together they fetch each one once.
TEST_F(BatchCliRemote, EachShardDownloadsOnlyItsShare) {
    const std::string log = dir.file("server.log");
    FtpTestServer logged(served.path(), {log});
    ASSERT_NE(logged.port(), 0);
    BatchRun run = batch(remoteArguments(" --shard 1/2 --passive", logged.port()), FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(countOfLines(testing::readFile(log)), 2u);
    EXPECT_EQ(testing::filesUnder(dir.file("down/")).size(), 2u);
    run = batch(remoteArguments(" --shard 2/2 --passive", logged.port()), FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string transfers = testing::readFile(log);
    std::vector<std::string> lines;
    for (size_t at = 0; at < transfers.size(); at = transfers.find('\n', at) + 1)
        lines.push_back(transfers.substr(at, transfers.find('\n', at) - at));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"RETR imgs/a.jpg", "RETR imgs/b.jpg", "RETR imgs/sub/c.jpg",
                                               "RETR imgs/sub/deep/d.jpg"}));
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/")).size(), 4u);
}

// Active mode, the connection window's default, with four connections: pyftpdlib lost
// data connections when several sessions of one client had them open, and a file waited
// out its 30 s timeout before it was tried again. One connection serves active mode, and
// the run says so once.
TEST_F(BatchCliRemote, InActiveModeTenFilesAskedOverFourConnectionsArriveOverOneAsSaidOnce) {
    for (int i = 0; i < 10; ++i) {
        ImageObject image = *createImage(64 + 4 * i, 48, 24, uint32_t(0x102030 * (i + 1)));
        ASSERT_TRUE(saveImage(image, served.write("fotos/FreshFlower" + std::to_string(i) + ".jpg", ""),
                              *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)}));
    }
    const std::string log = dir.file("server.log");
    FtpTestServer logged(served.path(), {log});
    ASSERT_NE(logged.port(), 0);
    const BatchRun run =
        batch(remoteArguments(" --active --connections 4", logged.port(), "/fotos/"), FtpTestServer::kPassword);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/fotos/")).size(), 10u);
    EXPECT_EQ(countOfLines(testing::readFile(log)), 10u);  // each file asked for once
    const std::string notice = "tesselon-batch: active mode: the files were downloaded over one connection, not 4: ";
    const size_t said = run.err.find(notice);
    EXPECT_NE(said, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("active mode", said + notice.size()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--passive downloads 4 at once\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("downloaded 10 files over 1 connection\n"), std::string::npos) << run.err;
}

// The terminal's and the report's reason for a file whose data connection never came
// is not the one for a file the server refused.
TEST(BatchCliRemoteTexts, AFileWithoutADataConnectionIsNotToldAsRefused) {
    const std::string noData = failedDownloadReason({"/fotos/FreshFlower.jpg", RemoteFailure::NoDataConnection, 3});
    EXPECT_EQ(noData, "the download failed 3 times: no data connection could be made with the server");
    EXPECT_NE(noData, failedDownloadReason({"/fotos/FreshFlower.jpg", RemoteFailure::TransferRefused, 3}));
}

TEST(BatchCliRemoteOptions, TheNumberOfConnectionsIsAWholeNumberFromOneToSixteen) {
    const auto parsed = [](const char* count) { return parseCliOptions({"--remote", "--connections", count}); };
    EXPECT_EQ(parsed("16").options->remote.connections, 16);
    EXPECT_EQ(parsed("1").options->remote.connections, 1);
    for (const char* refused : {"0", "17", "4x", "99999999999"})
        EXPECT_EQ(parsed(refused).error, "--connections must be a whole number from 1 to 16") << refused;
    EXPECT_FALSE(parseCliOptions({"--remote"}).options->remote.connections);  // the default is the download's
}

TEST_F(BatchCliRemote, ADownloadFolderThatIsTheDestinationIsRefusedBeforeAnyDownload) {
    ASSERT_NE(server.port(), 0);
    // The same folder written three ways, there or not yet.
    for (const std::string& dest : {dir.file("down"), dir.file("down/"), dir.file("other/../down")}) {
        const BatchRun run = batch(remoteArguments(" --dest " + dest), FtpTestServer::kPassword);
        EXPECT_EQ(run.code, 2) << dest;
        EXPECT_NE(run.err.find("the download folder is the destination"), std::string::npos) << run.err;
        EXPECT_TRUE(testing::filesUnder(dir.file("down/")).empty()) << dest;
    }
}

}  // namespace
}  // namespace tesselon

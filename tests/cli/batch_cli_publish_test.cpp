// tesselon-batch --publish against real servers on 127.0.0.1 (pyftpdlib, sshd) and
// against scripted ones that misbehave: what lands on the server, what is sent again,
// and what is refused by name.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include "cli/cli_test_support.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"
#include "support/ftp_test_server.h"
#include "support/scoped_env.h"
#include "support/scripted_ftp_server.h"
#include "support/sshd_test_server.h"
#include "support/vsftpd_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::cli;
using testing::CliRun;
using testing::FtpConversation;
using testing::FtpTestServer;
using testing::ScriptedFtpServer;
using testing::TempDir;
namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writePhoto(const std::string& path, int seed) {
    ImageObject image = *createImage(72 + 4 * seed, 48, 24, uint32_t(0x102030 * (seed + 1)));
    for (size_t b = 0; b < image.pixels.size(); b += 7) image.pixels[b] = uint8_t(b * (seed + 3));
    fs::create_directories(fs::path(path).parent_path());
    saveImage(image, path, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
}

// Lines of the server's log that start with `verb`.
int linesStarting(const std::string& log, const std::string& verb) {
    int count = 0;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) count += line.rfind(verb + " ", 0) == 0 ? 1 : 0;
    return count;
}

// The report's objects, by their "path".
std::map<std::string, JsonObject> reportByPath(const JsonDocument& report) {
    std::map<std::string, JsonObject> byPath;
    for (const JsonValue& item : *report.root().asArray()) {
        const JsonObject* members = item.asObject();
        byPath[*members->find("path")->asString()] = *members;
    }
    return byPath;
}

// The report's "published" of one image; none when it has none.
std::optional<bool> publishedOf(const JsonObject& members) {
    const JsonValue* value = members.find("published");
    const bool* flag = value ? value->asBoolean() : nullptr;
    return flag ? std::optional<bool>(*flag) : std::nullopt;
}

JsonDocument readReport(const std::string& path) {
    JsonParseResult parsed = parseJson(readAll(path));
    return std::get<JsonDocument>(std::move(parsed));
}

testing::FtpServerOptions loggingTo(const std::string& log) {
    testing::FtpServerOptions options;
    options.log = log;
    return options;
}

// A server holding /imgs with photos two folders deep, and an empty /pub.
class BatchCliPublish : public ::testing::Test {
protected:
    BatchCliPublish() {
        writePhoto(served.file("imgs/a.jpg"), 0);
        writePhoto(served.file("imgs/2020/b.jpg"), 1);
        writePhoto(served.file("imgs/2020/06/c.jpg"), 2);
        fs::create_directories(served.file("pub"));
    }

    CliRun run(const std::string& extra = {}, const std::string& publish = "/pub") {
        std::vector<std::string> args = {"--remote", "--server", "127.0.0.1", "--port", std::to_string(server.port()),
                                         "--user", FtpTestServer::kUser, "--passive", "--remote-folder", "/imgs/",
                                         "--subfolders", "--download-to", dir.file("down"), "--dest",
                                         dir.file("out"), "--format", "png", "--report", dir.file("report.json"),
                                         "--publish", publish, "--quiet"};
        std::istringstream words(extra);
        for (std::string word; words >> word;) args.push_back(word);
        return cli(args, dir);
    }

    TempDir dir;
    TempDir served;
    std::string log = dir.file("server.log");
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", FtpTestServer::kPassword};
    FtpTestServer server{served.path(), loggingTo(log)};
};

TEST_F(BatchCliPublish, TheServersFolderHoldsExactlyTheResultsAtTheSourcesPathsByteForByte) {
    const CliRun first = run();
    ASSERT_EQ(first.code, 0) << first.err;
    const auto results = testing::resultsUnder(dir.file("out/"));
    const auto published = testing::filesUnder(served.file("pub/"));
    ASSERT_EQ(results.size(), 3u);
    // The download folder's layout (imgs/... below it) does not count: the scanned
    // folder's does.
    std::map<std::string, std::string> expected;
    for (const auto& [name, bytes] : results) expected[name.substr(name.find("imgs/") + 5)] = bytes;
    EXPECT_EQ(published, expected);
    EXPECT_EQ(published.count("2020/06/c.png"), 1u);
    const JsonDocument report = readReport(dir.file("report.json"));
    for (const auto& [path, members] : reportByPath(report)) {
        EXPECT_EQ(publishedOf(members), true) << path;
    }
}

TEST_F(BatchCliPublish, ASecondRunUploadsNothingAndOneChangedSourceUploadsOne) {
    ASSERT_EQ(run("--skip-unchanged").code, 0);
    ASSERT_EQ(linesStarting(readAll(log), "STOR"), 3);

    const CliRun again = run("--skip-unchanged");
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(linesStarting(readAll(log), "STOR"), 3) << readAll(log);
    const auto standing = reportByPath(readReport(dir.file("report.json")));
    ASSERT_EQ(standing.size(), 3u);
    for (const auto& [path, members] : standing) EXPECT_EQ(publishedOf(members), true) << path << readAll(dir.file("report.json"));

    writePhoto(served.file("imgs/2020/b.jpg"), 7);
    const CliRun changed = run("--skip-unchanged");
    ASSERT_EQ(changed.code, 0) << changed.err;
    const std::string stores = readAll(log);
    EXPECT_EQ(linesStarting(stores, "STOR"), 4) << stores;
    EXPECT_TRUE(has(stores.substr(stores.rfind("STOR ")), "pub/2020/.b.png.")) << stores;
    EXPECT_EQ(readAll(served.file("pub/2020/b.png")), readAll(dir.file("out/imgs/2020/b.png")));
}

TEST_F(BatchCliPublish, AResultThatWouldReplaceADownloadedSourceIsNotUploadedWithoutOverwrite) {
    const std::string before = readAll(served.file("imgs/a.jpg"));
    const CliRun refused = run("--format original", "/imgs");
    EXPECT_EQ(refused.code, 1) << refused.err;
    EXPECT_TRUE(has(refused.err, "'/imgs/a.jpg' (as '/imgs/a.jpg' on the server): not published")) << refused.err;
    EXPECT_TRUE(has(refused.err, "it would replace a source this run downloaded")) << refused.err;
    EXPECT_EQ(readAll(served.file("imgs/a.jpg")), before);
    EXPECT_EQ(linesStarting(readAll(log), "STOR"), 0);
    const auto report = reportByPath(readReport(dir.file("report.json")));
    EXPECT_EQ(publishedOf(report.at("/imgs/a.jpg")), false);
    EXPECT_TRUE(has(*report.at("/imgs/a.jpg").find("publishReason")->asString(), "replace a source"));
}

TEST(BatchCliPublishSftp, ALocalSourcePublishedTwiceOverSftpLeavesTheNewResultsOnly) {
    testing::SshdTestServer server;
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    TempDir home, dir, served;
    writePhoto(dir.file("in/a.jpg"), 0);
    writePhoto(dir.file("in/deep/er/b.jpg"), 1);
    fs::create_directories(served.file("site"));
    ASSERT_EQ(server.serve(served.path()), "");
    testing::ScopedEnv noKnownHosts{"HOME", home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", server.password()};
    const auto publish = [&](const std::string& rotation) {
        return cli({"--source", dir.file("in"), "--subfolders", "--dest", dir.file("out"), "--format", "png",
                    "--rotate", rotation, "--protocol", "sftp", "--server", "127.0.0.1", "--port",
                    std::to_string(server.port()), "--user", testing::SshdTestServer::kUser, "--host-key",
                    server.fingerprint(), "--publish", served.file("site"), "--quiet"},
                   dir);
    };
    const CliRun first = publish("90");
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(testing::filesUnder(served.file("site/")), testing::resultsUnder(dir.file("out/")));
    // The second run's results replace the first's on the server, in one rename each.
    const CliRun second = publish("180");
    ASSERT_EQ(second.code, 0) << second.err;
    const auto results = testing::resultsUnder(dir.file("out/"));
    EXPECT_EQ(testing::filesUnder(served.file("site/")), results);
    EXPECT_EQ(results.size(), 2u);
}

TEST(BatchCliPublishFtps, ARemoteFtpsRunPublishesItsResultsAndTheNextRunSendsNoneAgain) {
    TempDir dir, served;
    writePhoto(served.file("site/uploads/a.jpg"), 0);
    writePhoto(served.file("site/uploads/2021/b.jpg"), 1);
    fs::create_directories(served.file("site/img"));
    testing::VsftpdTestServer server(served.path(), "127.0.0.1", 0, testing::VsftpdTestServer::Access::Writable);
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", "guest@"};
    const auto publish = [&] {
        return cli({"--remote", "--protocol", "ftps", "--ca-file", server.caFile(), "--server", "127.0.0.1",
                    "--port", std::to_string(server.port()), "--user", testing::VsftpdTestServer::kUser,
                    "--passive", "--remote-folder", "/site/uploads/", "--subfolders", "--download-to",
                    dir.file("down"), "--dest", dir.file("out"), "--format", "png", "--publish", "/site/img",
                    "--skip-unchanged", "--quiet"},
                   dir);
    };
    const CliRun first = publish();
    ASSERT_EQ(first.code, 0) << first.err << server.commandsLog();
    std::map<std::string, std::string> expected;
    for (const auto& [name, bytes] : testing::resultsUnder(dir.file("out/")))
        expected[name.substr(name.find("uploads/") + 8)] = bytes;
    EXPECT_EQ(testing::filesUnder(served.file("site/img/")), expected);
    EXPECT_EQ(expected.size(), 2u);
    const auto stores = [&] {
        const std::string log = server.commandsLog();
        int count = 0;
        for (size_t at = log.find("STOR "); at != std::string::npos; at = log.find("STOR ", at + 1)) ++count;
        return count;
    };
    EXPECT_EQ(stores(), 2);
    const CliRun second = publish();
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(stores(), 2);
}

// A server that keeps what it is sent in memory, with one fault of a kind.
enum class Fault { CutDuringUpload, RenameElsewhere, SizeDisagrees, RefuseFolder, EndlessReplyToUpload };

struct StoreServer {
    explicit StoreServer(Fault fault)
        : fault(fault), server([this](FtpConversation& c) { converse(c); }, true) {}

    void converse(FtpConversation& c) {
        c.login();
        std::string from;
        for (;;) {
            const std::string command = c.command();
            if (command.empty()) return;
            const std::string verb = command.substr(0, command.find(' '));
            const std::string argument = command.find(' ') == std::string::npos ? "" : command.substr(command.find(' ') + 1);
            if (verb == "TYPE") {
                c.send("200 type set\r\n");
            } else if (verb == "MKD") {
                const bool refused = fault == Fault::RefuseFolder && argument.find("/locked") != std::string::npos;
                c.send(refused ? "550 permission denied\r\n" : "257 \"" + argument + "\" made\r\n");
            } else if (verb == "PASV") {
                const uint16_t port = c.listenForData();
                c.send("227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                       std::to_string(port % 256) + ")\r\n");
            } else if (verb == "STOR") {
                if (fault == Fault::RefuseFolder && argument.find("/locked/") != std::string::npos) {
                    c.send("553 no such folder\r\n");
                    continue;
                }
                c.send("150 send it\r\n");
                FileDescriptor data = c.acceptData();
                std::string bytes;
                char buffer[4096];
                for (ssize_t got; (got = ::recv(data.get(), buffer, sizeof buffer, 0)) > 0;) {
                    bytes.append(buffer, size_t(got));
                    if (fault == Fault::CutDuringUpload && bytes.size() > 100) {
                        c.hangUp();
                        return;
                    }
                }
                if (fault == Fault::EndlessReplyToUpload) {
                    while (c.send("226-still thinking about it, and then some more\r\n")) {
                    }
                    return;
                }
                std::lock_guard lock(mutex);
                files[argument] = bytes;
                c.send("226 stored\r\n");
            } else if (verb == "RNFR") {
                from = argument;
                c.send("350 go on\r\n");
            } else if (verb == "RNTO") {
                std::lock_guard lock(mutex);
                auto node = files.extract(from);
                if (!node.empty()) {
                    // "Done", says the server, and files it under another name.
                    node.key() = fault == Fault::RenameElsewhere ? argument + ".moved" : argument;
                    files.insert(std::move(node));
                }
                c.send("250 renamed\r\n");
            } else if (verb == "SIZE") {
                std::lock_guard lock(mutex);
                const auto found = files.find(argument);
                if (found == files.end()) c.send("550 no such file\r\n");
                else c.send("213 " + std::to_string(found->second.size() + (fault == Fault::SizeDisagrees ? 1 : 0)) + "\r\n");
            } else if (verb == "DELE") {
                std::lock_guard lock(mutex);
                c.send(files.erase(argument) ? "250 deleted\r\n" : "550 no such file\r\n");
            } else if (verb == "PWD") {
                c.send("257 \"/\" is the folder\r\n");
            } else if (verb == "QUIT") {
                c.send("221 bye\r\n");
                return;
            } else {
                c.send("502 not here\r\n");
            }
        }
    }

    std::map<std::string, std::string> stored() {
        std::lock_guard lock(mutex);
        return files;
    }

    Fault fault;
    std::mutex mutex;
    std::map<std::string, std::string> files;
    ScriptedFtpServer server;
};

class BatchCliPublishHostile : public ::testing::Test {
protected:
    BatchCliPublishHostile() {
        writePhoto(dir.file("in/a.jpg"), 0);
        writePhoto(dir.file("in/locked/b.jpg"), 1);
    }

    CliRun publishTo(StoreServer& store) {
        return cli({"--source", dir.file("in"), "--subfolders", "--dest", dir.file("out"), "--format", "png",
                    "--server", "127.0.0.1", "--port", std::to_string(store.server.port()), "--user", "tester",
                    "--passive", "--connections", "1", "--publish", "/pub", "--report", dir.file("report.json")},
                   dir);
    }

    std::vector<std::string> sent(StoreServer& store, const std::string& verb) {
        std::vector<std::string> found;
        for (const std::string& command : store.server.commands())
            if (command.rfind(verb + " ", 0) == 0) found.push_back(command);
        return found;
    }

    TempDir dir;
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", "pw"};
};

TEST_F(BatchCliPublishHostile, AServerCuttingTheUploadLeavesNoFileUnderTheFinalName) {
    StoreServer store(Fault::CutDuringUpload);
    const CliRun cut = publishTo(store);
    store.server.finish();
    EXPECT_EQ(cut.code, 1) << cut.err;
    EXPECT_TRUE(sent(store, "RNFR").empty());
    EXPECT_TRUE(sent(store, "RNTO").empty());
    EXPECT_TRUE(store.stored().empty());
    EXPECT_TRUE(has(cut.err, "(as '/pub/a.png' on the server): not published")) << cut.err;
    // Each result is named once, and the run still ends with its summary.
    EXPECT_EQ(cut.err.find("'/pub/a.png'"), cut.err.rfind("'/pub/a.png'")) << cut.err;
    EXPECT_TRUE(has(cut.err, "published 0 results to '/pub'")) << cut.err;
}

TEST_F(BatchCliPublishHostile, ARenameThatSucceedsButFilesItElsewhereIsAFailedPublish) {
    StoreServer store(Fault::RenameElsewhere);
    const CliRun moved = publishTo(store);
    store.server.finish();
    EXPECT_EQ(moved.code, 1) << moved.err;
    EXPECT_TRUE(has(moved.err, "'/pub/a.png' on the server): not published: the server answered the rename, but no file stands"))
        << moved.err;
    EXPECT_TRUE(has(moved.err, "'/pub/locked/b.png' on the server): not published: the server answered the rename")) << moved.err;
    const auto report = reportByPath(readReport(dir.file("report.json")));
    for (const auto& [path, members] : report) EXPECT_EQ(publishedOf(members), false) << path;
}

TEST_F(BatchCliPublishHostile, ASizeThatDisagreesAfterTheRenameIsAFailedPublish) {
    StoreServer store(Fault::SizeDisagrees);
    const CliRun wrong = publishTo(store);
    store.server.finish();
    EXPECT_EQ(wrong.code, 1) << wrong.err;
    const uint64_t size = fs::file_size(dir.file("out/a.png"));
    EXPECT_TRUE(has(wrong.err, "'/pub/a.png' on the server): not published: the server holds " + std::to_string(size + 1) +
                                   " bytes under the name, not the " + std::to_string(size) + " sent"))
        << wrong.err;
}

TEST_F(BatchCliPublishHostile, AFolderTheServerWillNotMakeFailsItsResultsByNameAndTheOthersGoUp) {
    StoreServer store(Fault::RefuseFolder);
    const CliRun refused = publishTo(store);
    store.server.finish();
    EXPECT_EQ(refused.code, 1) << refused.err;
    EXPECT_TRUE(has(refused.err, "'/pub/locked/b.png' on the server): not published: the server refused to make the folder "
                                 "'/pub/locked'"))
        << refused.err;
    const auto files = store.stored();
    ASSERT_EQ(files.count("/pub/a.png"), 1u);
    EXPECT_EQ(files.at("/pub/a.png"), readAll(dir.file("out/a.png")));
    EXPECT_EQ(files.size(), 1u);
    const auto report = reportByPath(readReport(dir.file("report.json")));
    EXPECT_EQ(publishedOf(report.at(dir.file("in/a.jpg"))), true);
    EXPECT_EQ(publishedOf(report.at(dir.file("in/locked/b.jpg"))), false);
}

TEST_F(BatchCliPublishHostile, EndlessRepliesToAnUploadEndItAsAFailureWithoutARename) {
    StoreServer store(Fault::EndlessReplyToUpload);
    const CliRun endless = publishTo(store);
    store.server.finish();
    EXPECT_EQ(endless.code, 1) << endless.err;
    EXPECT_TRUE(sent(store, "RNTO").empty());
    EXPECT_TRUE(has(endless.err, "(as '/pub/a.png' on the server): not published")) << endless.err;
    EXPECT_TRUE(has(endless.err, "(as '/pub/locked/b.png' on the server): not published")) << endless.err;
}

}  // namespace
}  // namespace tesselon

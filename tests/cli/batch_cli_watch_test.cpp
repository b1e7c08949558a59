// tesselon-batch --watch run as a service would run it: a child process fed files the
// way uploads, copies and moves bring them, stopped by signals. Each scenario counts
// the event lines and looks at the results on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "cli/cli_test_support.h"
#include "cli/watch_child.h"
#include "engine/program_setup.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "support/ftp_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::WatchChild;

// One photo with pixels of its own, written in one go.
void writePhoto(const std::string& path, int seed, int width = 48, int height = 32) {
    ImageObject image = *createImage(width, height, 24, uint32_t(0x102030 * (seed + 1)));
    for (size_t b = 0; b < image.pixels.size(); b += 3) image.pixels[b] = uint8_t(b * (seed + 5));
    ASSERT_TRUE(saveImage(image, path, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)}));
}

std::string photoBytes(const TempDir& scratch, int seed, int width = 48, int height = 32) {
    const std::string path = scratch.file("made-" + std::to_string(seed) + ".jpg");
    writePhoto(path, seed, width, height);
    std::string bytes = testing::readFile(path);
    ::unlink(path.c_str());
    return bytes;
}

// A photo of noise, which no encoder squeezes small.
std::string noisePhotoBytes(const TempDir& scratch, int seed, int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    std::mt19937 random(uint32_t(seed) + 1);
    for (uint8_t& b : image.pixels) b = uint8_t(random());
    const std::string path = scratch.file("noise-" + std::to_string(seed) + ".jpg");
    EXPECT_TRUE(saveImage(image, path, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)}));
    std::string bytes = testing::readFile(path);
    ::unlink(path.c_str());
    return bytes;
}

bool decodes(const std::string& path) {
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    return loadImage(path, codecs).has_value();
}

class BatchCliWatch : public ::testing::Test {
protected:
    BatchCliWatch() {
        ::mkdir(dir.file("in").c_str(), 0755);
        dir.write("job.cfg", "[ProcesosImage]\r\n{\"EscalaGrises\":1}\r\n");
    }

    std::vector<std::string> watchArgs(const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args = {"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest",
                                         dir.file("out"), "--subfolders", "--quiet", "--watch", "--settle", "200"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    // Starts the watch and waits for its first pass to be over.
    std::unique_ptr<WatchChild> startWatch(const std::vector<std::string>& extra = {}) {
        auto child = std::make_unique<WatchChild>(watchArgs(extra), std::vector<std::string>{}, dir.file("err.txt"));
        EXPECT_TRUE(child->started());
        // The first pass's line comes before any event; a short settle later, files are watched.
        EXPECT_TRUE(child->waitUntil([](const std::vector<std::string>& lines) { return !lines.empty(); }, 20s));
        std::this_thread::sleep_for(300ms);
        return child;
    }

    void stop(WatchChild& child) {
        child.signal(SIGTERM);
        EXPECT_EQ(child.waitExit(30s), 0) << testing::readFile(dir.file("err.txt"));
    }

    TempDir dir;
    TempDir scratch;  // outside the source: where files are made before they are moved in
};

// --- files arriving ------------------------------------------------------------------

TEST_F(BatchCliWatch, SlowWriterIsConvertedOnceAfterItsLastPieceAsAOneShotRunWouldConvertIt) {
    // About 10 MB of noise, so no encoder squeezes it small.
    ImageObject noise = *createImage(2400, 1800, 24, 0);
    std::mt19937 random(7);
    for (uint8_t& b : noise.pixels) b = uint8_t(random());
    const std::string made = scratch.file("big.jpg");
    ASSERT_TRUE(saveImage(noise, made, *formatByExtension("jpg"), {EncodeQuality::ofLevel(10)}));
    const std::string bytes = testing::readFile(made);
    ASSERT_GT(bytes.size(), 6u << 20);

    auto child = startWatch({"--settle", "500"});
    const std::string target = dir.file("in/big.jpg");
    const size_t piece = bytes.size() / 20 + 1;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        // Each piece opened, appended and closed, as an upload resumed piece by piece.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ASSERT_GE(fd, 0);
        const size_t n = std::min(piece, bytes.size() - at);
        ASSERT_EQ(::write(fd, bytes.data() + at, n), ssize_t(n));
        ::close(fd);
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(child->events("converted").empty()) << "converted before its last piece";
    }
    ASSERT_TRUE(child->waitForEvents("converted", 1, 60s)) << testing::readFile(dir.file("err.txt"));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(child->events("converted").size(), 1u);
    stop(*child);

    const testing::CliRun once = testing::cli(
        {"--config", dir.file("job.cfg"), "--source", dir.file("in"), "--dest", dir.file("once"), "--quiet"}, dir);
    ASSERT_EQ(once.code, 0) << once.err;
    const auto watched = testing::resultsUnder(dir.file("out/"));
    const auto oneShot = testing::resultsUnder(dir.file("once/"));
    ASSERT_EQ(watched.size(), 1u);
    EXPECT_TRUE(watched == oneShot) << "the watch's result differs from the one-shot run's";
}

TEST_F(BatchCliWatch, BurstOfTwoThousandFilesGivesTwoThousandResultsEachConvertedOnce) {
    constexpr int kFiles = 2000;
    auto child = startWatch();
    for (int i = 0; i < kFiles; ++i) writePhoto(dir.file("in/burst" + std::to_string(i) + ".jpg"), i, 16, 16);
    ASSERT_TRUE(child->waitForEvents("converted", kFiles, 300s)) << child->events("converted").size();
    std::this_thread::sleep_for(1s);
    stop(*child);
    const std::vector<std::string> converted = child->events("converted");
    EXPECT_EQ(converted.size(), size_t(kFiles));
    std::set<std::string> distinct;
    for (const std::string& line : converted) {
        const size_t from = line.find(dir.file("in/"));
        distinct.insert(line.substr(from, line.find(" -> ") - from));
    }
    EXPECT_EQ(distinct.size(), size_t(kFiles)) << "a file was converted twice";
    EXPECT_EQ(testing::resultsUnder(dir.file("out/")).size(), size_t(kFiles));
    EXPECT_TRUE(child->events("failed").empty());
}

TEST_F(BatchCliWatch, NewSubfolderMadeAndFilledAtOnceIsConverted) {
    auto child = startWatch();
    // Made and filled faster than a watch can be added to it: the listing after the watch
    // finds what came before.
    const std::string folder = dir.file("in/2026/12");
    ASSERT_EQ(::system(("mkdir -p '" + folder + "'").c_str()), 0);
    writePhoto(folder + "/first.jpg", 1);
    writePhoto(folder + "/second.jpg", 2);
    ASSERT_TRUE(child->waitForEvents("converted", 2, 30s));
    std::this_thread::sleep_for(600ms);
    writePhoto(folder + "/later.jpg", 3);
    ASSERT_TRUE(child->waitForEvents("converted", 3, 30s));
    stop(*child);
    const auto results = testing::resultsUnder(dir.file("out/"));
    EXPECT_EQ(results.count("2026/12/first.jpg") + results.count("2026/12/second.jpg") +
                  results.count("2026/12/later.jpg"),
              3u);
    EXPECT_FALSE(child->events("folder-added", "2026").empty());
}

TEST_F(BatchCliWatch, FileMovedInFromOutsideIsConvertedAndTheEventsCanBeJsonLines) {
    auto child = startWatch({"--log-format", "json"});
    const std::string outside = scratch.file("arrived.jpg");
    writePhoto(outside, 9);
    ASSERT_EQ(::rename(outside.c_str(), dir.file("in/arrived.jpg").c_str()), 0);
    ASSERT_TRUE(child->waitUntil(
        [](const std::vector<std::string>& lines) {
            for (const std::string& l : lines)
                if (l.find("\"event\":\"converted\"") != std::string::npos && l.find("arrived.jpg") != std::string::npos)
                    return true;
            return false;
        },
        30s));
    stop(*child);
    for (const std::string& line : child->lines()) EXPECT_EQ(line.front(), '{') << line;
    EXPECT_TRUE(decodes(dir.file("out/arrived.jpg")));
}

TEST_F(BatchCliWatch, QueueOverflowIsAnsweredWithARescanThatMissesNothing) {
    auto child = startWatch();
    // While the watch cannot read, far more events arrive than the kernel's queue holds
    // (16384 by default): the images written last have no events left to tell of them.
    child->signal(SIGSTOP);
    for (int i = 0; i < 9000; ++i) {
        const int fd = ::open(dir.file("in/note" + std::to_string(i) + ".txt").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    for (int i = 0; i < 12; ++i) writePhoto(dir.file("in/lost" + std::to_string(i) + ".jpg"), i);
    ::mkdir(dir.file("in/made-meanwhile").c_str(), 0755);
    writePhoto(dir.file("in/made-meanwhile/deep.jpg"), 20);
    child->signal(SIGCONT);
    ASSERT_TRUE(child->waitForEvents("converted", 13, 60s)) << testing::readFile(dir.file("err.txt"));
    EXPECT_FALSE(child->events("overflow").empty());
    EXPECT_FALSE(child->events("rescan").empty());
    // The folder made while events were lost is watched after the rescan.
    writePhoto(dir.file("in/made-meanwhile/after.jpg"), 21);
    ASSERT_TRUE(child->waitForEvents("converted", 14, 30s));
    stop(*child);
    EXPECT_EQ(testing::resultsUnder(dir.file("out/")).size(), 14u);
}

// --- a service's life ------------------------------------------------------------------

TEST_F(BatchCliWatch, SigtermMidBatchLeavesEveryResultWholeAndExitsZero) {
    for (int i = 0; i < 120; ++i) writePhoto(dir.file("in/p" + std::to_string(i) + ".jpg"), i, 640, 480);
    WatchChild child(watchArgs({"--jobs", "2"}), {}, dir.file("err.txt"));
    // The first pass's events come at its end: the signal goes once results appear.
    ASSERT_TRUE(child.waitUntil([&](const std::vector<std::string>&) {
        return testing::resultsUnder(dir.file("out/")).size() >= 3;
    }, 60s));
    child.signal(SIGTERM);
    EXPECT_EQ(child.waitExit(30s), 0);
    EXPECT_EQ(child.events("stopping").size(), 1u);
    const auto results = testing::filesUnder(dir.file("out/"));
    size_t images = 0;
    for (const auto& [name, bytes] : results) {
        if (name.rfind(".tesselon-manifest", 0) == 0) continue;
        ++images;
        EXPECT_TRUE(decodes(dir.file("out/" + name))) << name << " is not a whole image";
    }
    EXPECT_LT(images, 120u) << "the run was not stopped mid-batch";
    EXPECT_EQ(images, child.events("converted").size());
    EXPECT_GT(images, 0u);
}

TEST_F(BatchCliWatch, EachImageOfALongPassIsReportedAsItEndsNotWhenThePassEnds) {
    constexpr size_t kImages = 40;
    for (size_t i = 0; i < kImages; ++i) writePhoto(dir.file("in/p" + std::to_string(i) + ".jpg"), int(i), 640, 480);
    dir.write("in/broken.jpg", "not an image at all");
    WatchChild child(watchArgs({"--jobs", "1"}), {}, dir.file("err.txt"));
    size_t resultsAtFirstEvent = 0;
    ASSERT_TRUE(child.waitUntil([&](const std::vector<std::string>&) {
        if (child.events("converted").empty()) return false;
        resultsAtFirstEvent = testing::resultsUnder(dir.file("out/")).size();
        return true;
    }, 60s)) << testing::readFile(dir.file("err.txt"));
    EXPECT_LT(resultsAtFirstEvent, kImages) << "the first image was reported only once the pass was over";
    ASSERT_TRUE(child.waitForEvents("converted", kImages, 60s));
    ASSERT_TRUE(child.waitForEvents("failed", 1, 30s, "broken.jpg"));
    stop(child);
    for (size_t i = 0; i < kImages; ++i)
        EXPECT_EQ(child.events("converted", "/p" + std::to_string(i) + ".jpg").size(), 1u) << i;
    EXPECT_EQ(child.events("failed").size(), 1u);
}

TEST_F(BatchCliWatch, RestartedWatchConvertsOnlyWhatArrivedWhileItWasDown) {
    writePhoto(dir.file("in/kept.jpg"), 1);
    {
        auto first = startWatch();
        ASSERT_TRUE(first->waitForEvents("converted", 1, 30s));
        writePhoto(dir.file("in/watched.jpg"), 2);
        ASSERT_TRUE(first->waitForEvents("converted", 2, 30s));
        stop(*first);
    }
    writePhoto(dir.file("in/while-down.jpg"), 3);
    auto second = startWatch();
    ASSERT_TRUE(second->waitForEvents("converted", 1, 30s));
    std::this_thread::sleep_for(500ms);
    stop(*second);
    ASSERT_EQ(second->events("converted").size(), 1u);
    EXPECT_NE(second->events("converted").front().find("while-down.jpg"), std::string::npos);
}

TEST_F(BatchCliWatch, ManifestOfALongWatchForgetsSourcesThatWentAndStillKnowsTheRest) {
    writePhoto(dir.file("in/gone.jpg"), 1);
    writePhoto(dir.file("in/stays.jpg"), 2);
    auto child = startWatch();
    ASSERT_TRUE(child->waitForEvents("converted", 2, 30s));
    ::unlink(dir.file("in/gone.jpg").c_str());
    ASSERT_TRUE(child->waitForEvents("source-gone", 1, 10s));
    writePhoto(dir.file("in/new.jpg"), 3);
    ASSERT_TRUE(child->waitForEvents("converted", 3, 30s));
    stop(*child);

    const std::string manifest = testing::readFile(dir.file("out/.tesselon-manifest"));
    EXPECT_EQ(manifest.find("gone.jpg"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("stays.jpg"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("new.jpg"), std::string::npos) << manifest;
    // What stayed is still known: a watch started again converts nothing.
    auto again = startWatch();
    std::this_thread::sleep_for(800ms);
    stop(*again);
    EXPECT_TRUE(again->events("converted").empty()) << again->events("converted").front();
}

TEST_F(BatchCliWatch, SighupReadsTheSettingsFileAgain) {
    auto child = startWatch();
    writePhoto(dir.file("in/before.jpg"), 1, 80, 60);
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s));
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90}\r\n");
    child->signal(SIGHUP);
    ASSERT_TRUE(child->waitForEvents("reloaded", 1, 10s));
    writePhoto(dir.file("in/after.jpg"), 2, 80, 60);
    ASSERT_TRUE(child->waitForEvents("converted", 2, 30s));
    stop(*child);
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    const std::optional<ImageObject> before = loadImage(dir.file("out/before.jpg"), codecs);
    const std::optional<ImageObject> after = loadImage(dir.file("out/after.jpg"), codecs);
    ASSERT_TRUE(before && after);
    // Both photos are landscape; only the settings read again turn one upright.
    EXPECT_GT(before->width, before->height);
    EXPECT_LT(after->width, after->height) << "the settings read again were not used";
}

TEST_F(BatchCliWatch, DeletedSourceKeepsItsResultUnlessMirrorDeletesIsGiven) {
    writePhoto(dir.file("in/stays.jpg"), 1);
    writePhoto(dir.file("in/mirrored.jpg"), 2);
    {
        auto plain = startWatch();
        ASSERT_TRUE(plain->waitForEvents("converted", 2, 30s));
        ::unlink(dir.file("in/stays.jpg").c_str());
        ASSERT_TRUE(plain->waitForEvents("source-gone", 1, 10s));
        stop(*plain);
        EXPECT_TRUE(plain->events("result-removed").empty());
    }
    EXPECT_TRUE(decodes(dir.file("out/stays.jpg")));
    auto mirror = startWatch({"--mirror-deletes"});
    ::unlink(dir.file("in/mirrored.jpg").c_str());
    ASSERT_TRUE(mirror->waitForEvents("result-removed", 1, 10s));
    stop(*mirror);
    EXPECT_EQ(::access(dir.file("out/mirrored.jpg").c_str(), F_OK), -1);
    EXPECT_TRUE(decodes(dir.file("out/stays.jpg")));
}

TEST_F(BatchCliWatch, RemovedSourceFolderIsReportedAndWatchedForAgain) {
    auto child = startWatch();
    ASSERT_EQ(::rmdir(dir.file("in").c_str()), 0);
    ASSERT_TRUE(child->waitForEvents("source-missing", 1, 10s));
    ::mkdir(dir.file("in").c_str(), 0755);
    ASSERT_TRUE(child->waitForEvents("source-back", 1, 10s));
    std::this_thread::sleep_for(300ms);
    writePhoto(dir.file("in/returned.jpg"), 4);
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "returned.jpg"));
    stop(*child);
}

TEST(BatchCliWatchOptions, WatchSwitchesAreCheckedBeforeAnythingRuns) {
    TempDir dir;
    EXPECT_EQ(testing::cli({"--source", dir.path(), "--settle", "100"}, dir).code, 2);
    EXPECT_EQ(testing::cli({"--source", dir.path(), "--watch", "--settle", "-1"}, dir).code, 2);
    EXPECT_EQ(testing::cli({"--source", dir.path(), "--watch", "--interval", "0"}, dir).code, 2);
    EXPECT_EQ(testing::cli({"--source", dir.path(), "--watch", "--log-format", "xml"}, dir).code, 2);
    EXPECT_EQ(testing::cli({"--source", dir.path(), "--watch", "--overwrite", "--yes"}, dir).code, 2);
}

// --- a remote source ---------------------------------------------------------------------

TEST_F(BatchCliWatch, RemoteWatchTakesAnUploadWithinTwoIntervalsAndAChangedFileOnce) {
    TempDir served;
    writePhoto(served.write("imgs/first.jpg", ""), 1);
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    constexpr int kInterval = 2;
    WatchChild child({"--config", dir.file("job.cfg"), "--remote", "--server", "127.0.0.1", "--port",
                      std::to_string(server.port()), "--user", testing::FtpTestServer::kUser, "--remote-folder",
                      "/imgs/", "--passive", "--download-to", dir.file("down"), "--dest", dir.file("out"), "--quiet",
                      "--watch", "--interval", std::to_string(kInterval)},
                     {std::string("TESSELON_FTP_PASSWORD=") + testing::FtpTestServer::kPassword}, dir.file("err.txt"));
    ASSERT_TRUE(child.waitForEvents("converted", 1, 30s, "first.jpg")) << testing::readFile(dir.file("err.txt"));
    ASSERT_TRUE(child.waitForEvents("poll", 1, 30s));

    const auto uploaded = std::chrono::steady_clock::now();
    served.write("imgs/second.jpg", photoBytes(scratch, 2));
    ASSERT_TRUE(child.waitForEvents("converted", 1, 30s, "second.jpg"));
    // Two intervals, and the time a poll, a download and a conversion take on a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - uploaded, std::chrono::seconds(2 * kInterval + 3));

    // Changed on the server: other bytes, another size, a later time.
    served.write("imgs/first.jpg", photoBytes(scratch, 3, 64, 40));
    ASSERT_TRUE(child.waitForEvents("converted", 2, 30s, "first.jpg"));
    const size_t polls = child.events("poll").size();
    ASSERT_TRUE(child.waitForEvents("poll", polls + 2, 30s));
    child.signal(SIGTERM);
    EXPECT_EQ(child.waitExit(30s), 0);
    EXPECT_EQ(child.events("converted", "first.jpg").size(), 2u);
    EXPECT_EQ(child.events("converted", "second.jpg").size(), 1u);
    EXPECT_TRUE(child.events("poll-failed").empty());
}

// The logins the test server's log holds.
size_t loginsIn(const std::string& log) {
    const std::string text = testing::readFile(log);
    size_t count = 0;
    for (size_t at = text.find("LOGIN "); at != std::string::npos; at = text.find("LOGIN ", at + 1))
        if (at == 0 || text[at - 1] == '\n') ++count;
    return count;
}

class BatchCliRemoteWatch : public BatchCliWatch {
protected:
    std::unique_ptr<WatchChild> startRemoteWatch(uint16_t port, int connections, int interval) {
        return std::make_unique<WatchChild>(
            std::vector<std::string>{"--config", dir.file("job.cfg"), "--remote", "--server", "127.0.0.1", "--port",
                                     std::to_string(port), "--user", testing::FtpTestServer::kUser,
                                     "--remote-folder", "/imgs/", "--passive", "--connections",
                                     std::to_string(connections), "--download-to", dir.file("down"), "--dest",
                                     dir.file("out"), "--quiet", "--watch", "--interval", std::to_string(interval)},
            std::vector<std::string>{std::string("TESSELON_FTP_PASSWORD=") + testing::FtpTestServer::kPassword},
            dir.file("err.txt"));
    }

    TempDir served;
};

TEST_F(BatchCliRemoteWatch, PollsReuseTheSessionsOfThePollBefore) {
    writePhoto(served.write("imgs/first.jpg", ""), 1);
    testing::FtpServerOptions options;
    options.log = dir.file("ftp.log");
    options.logLogins = true;
    testing::FtpTestServer server(served.path(), options);
    ASSERT_NE(server.port(), 0);
    auto child = startRemoteWatch(server.port(), 2, 1);
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "first.jpg")) << testing::readFile(dir.file("err.txt"));
    served.write("imgs/second.jpg", photoBytes(scratch, 2));
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "second.jpg"))
        << testing::readFile(dir.file("err.txt")) << testing::readFile(dir.file("ftp.log"));
    ASSERT_TRUE(child->waitForEvents("poll", 3, 30s));
    stop(*child);
    EXPECT_LE(loginsIn(dir.file("ftp.log")), 2u) << testing::readFile(dir.file("ftp.log"));
    EXPECT_TRUE(child->events("poll-failed").empty());
}

TEST_F(BatchCliRemoteWatch, SessionsTheServerEndedWhileIdleAreOpenedAgainWithoutAFailedPoll) {
    writePhoto(served.write("imgs/first.jpg", ""), 1);
    testing::FtpServerOptions options;
    options.log = dir.file("ftp.log");
    options.logLogins = true;
    options.idleTimeoutSeconds = 1;
    testing::FtpTestServer server(served.path(), options);
    ASSERT_NE(server.port(), 0);
    auto child = startRemoteWatch(server.port(), 2, 3);
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "first.jpg")) << testing::readFile(dir.file("err.txt"));
    ASSERT_TRUE(child->waitForEvents("poll", 1, 30s));
    served.write("imgs/second.jpg", photoBytes(scratch, 2));
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "second.jpg")) << testing::readFile(dir.file("err.txt"));
    ASSERT_TRUE(child->waitForEvents("poll", 3, 30s));
    stop(*child);
    EXPECT_TRUE(child->events("poll-failed").empty()) << testing::readFile(dir.file("err.txt"));
    // Every poll found its sessions ended and logged in again.
    EXPECT_GT(loginsIn(dir.file("ftp.log")), 2u);
}

TEST_F(BatchCliRemoteWatch, ServerStartedAgainBetweenPollsIsReconnectedAndTheNextPollWorks) {
    writePhoto(served.write("imgs/first.jpg", ""), 1);
    testing::FtpServerOptions options;
    options.log = dir.file("ftp.log");
    options.logLogins = true;
    auto server = std::make_unique<testing::FtpTestServer>(served.path(), options);
    ASSERT_NE(server->port(), 0);
    options.port = server->port();
    // An interval long enough for the server to stop and start again inside it, however
    // busy the machine: a poll that met the server half-stopped would rightly fail.
    auto child = startRemoteWatch(server->port(), 2, 6);
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "first.jpg")) << testing::readFile(dir.file("err.txt"));
    const size_t polls = child->events("poll").size();
    ASSERT_TRUE(child->waitForEvents("poll", polls + 1, 30s));
    // The sessions the download ended with were taken again by the poll after it.
    EXPECT_LE(loginsIn(dir.file("ftp.log")), 2u) << testing::readFile(dir.file("ftp.log"));
    // Right after a poll: the next one comes an interval later.
    server.reset();
    server = std::make_unique<testing::FtpTestServer>(served.path(), options);
    ASSERT_EQ(server->port(), options.port);
    served.write("imgs/second.jpg", photoBytes(scratch, 2));
    ASSERT_TRUE(child->waitForEvents("converted", 1, 30s, "second.jpg")) << testing::readFile(dir.file("err.txt"));
    stop(*child);
    EXPECT_TRUE(child->events("poll-failed").empty()) << testing::readFile(dir.file("err.txt")) << testing::readFile(dir.file("ftp.log"));
}

TEST_F(BatchCliRemoteWatch, SigtermDuringASlowDownloadEndsItAtOnceLeavingOnlyWholeFiles) {
    constexpr int kFiles = 6;
    for (int i = 0; i < kFiles; ++i)
        served.write("imgs/slow" + std::to_string(i) + ".jpg", noisePhotoBytes(scratch, i, 480, 360));
    // Each file takes seconds past its first second's worth.
    ASSERT_GT(testing::readFile(served.file("imgs/slow0.jpg")).size(), 60000u);
    testing::FtpServerOptions options;
    options.bytesPerSecond = 20000;
    testing::FtpTestServer server(served.path(), options);
    ASSERT_NE(server.port(), 0);
    auto child = startRemoteWatch(server.port(), 1, 60);
    // The first file's first bytes are down: the download is under way.
    ASSERT_TRUE(child->waitUntil([&](const std::vector<std::string>&) {
        return !testing::filesUnder(dir.file("down/")).empty();
    }, 30s)) << testing::readFile(dir.file("err.txt"));
    const auto signalled = std::chrono::steady_clock::now();
    child->signal(SIGTERM);
    EXPECT_EQ(child->waitExit(30s), 0) << testing::readFile(dir.file("err.txt"));
    // The rest of the download would take many seconds at this rate.
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 4s);
    EXPECT_EQ(child->events("stopping").size(), 1u);
    const auto downloaded = testing::filesUnder(dir.file("down/"));
    EXPECT_LT(downloaded.size(), size_t(kFiles));
    for (const auto& [name, bytes] : downloaded)
        EXPECT_EQ(bytes, testing::readFile(served.file(name))) << name << " is not a whole download";
    for (const auto& [name, bytes] : testing::resultsUnder(dir.file("out/")))
        EXPECT_TRUE(decodes(dir.file("out/" + name))) << name << " is not a whole image";
}

TEST_F(BatchCliWatch, PublishedWatchPutsEachNewResultOnTheServer) {
    TempDir served;
    ::mkdir(served.file("pub").c_str(), 0755);
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    WatchChild child(watchArgs({"--server", "127.0.0.1", "--port", std::to_string(server.port()), "--user",
                                testing::FtpTestServer::kUser, "--passive", "--publish", "/pub"}),
                     {std::string("TESSELON_FTP_PASSWORD=") + testing::FtpTestServer::kPassword}, dir.file("err.txt"));
    ASSERT_TRUE(child.waitUntil([](const std::vector<std::string>& lines) { return !lines.empty(); }, 20s));
    std::this_thread::sleep_for(300ms);
    ::mkdir(dir.file("in/2026").c_str(), 0755);
    writePhoto(dir.file("in/2026/new.jpg"), 5);
    ASSERT_TRUE(child.waitForEvents("published", 1, 30s, "new.jpg")) << testing::readFile(dir.file("err.txt"));
    child.signal(SIGTERM);
    EXPECT_EQ(child.waitExit(30s), 0);
    const auto results = testing::resultsUnder(dir.file("out/"));
    ASSERT_EQ(results.count("2026/new.jpg"), 1u);
    EXPECT_EQ(testing::readFile(served.file("pub/2026/new.jpg")), results.at("2026/new.jpg"));
}

}  // namespace
}  // namespace tesselon

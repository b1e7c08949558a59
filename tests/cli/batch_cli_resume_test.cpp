// A --skip-unchanged run killed without warning, again and again, and started again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "cli/cli_test_support.h"
#include "runtime/process/program_run.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::resultsUnder;
using testing::TempDir;
using testing::writeImages;

std::string options(const TempDir& dir, const std::string& dest) {
    return "--config " + dir.file("job.cfg") + " --source " + dir.file("in") + " --dest " + dir.file(dest) +
           " --skip-unchanged --jobs 2 --quiet";
}

// Each result's inode, which a result written again no longer has.
std::map<std::string, ino_t> inodesUnder(const std::string& folder) {
    std::map<std::string, ino_t> inodes;
    for (const auto& [name, bytes] : resultsUnder(folder)) {
        struct stat info {};
        if (::stat((folder + name).c_str(), &info) == 0) inodes[name] = info.st_ino;
    }
    return inodes;
}

TEST(BatchCliResume, KilledTenTimesThenResumedEqualsOneWholeRun) {
    TempDir dir;
    writeImages(dir, "in", 12, 400, 300);
    writeImages(dir, "in/deeper", 4, 400, 300);
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"MarcaDeAgua\":1,\"Rotar\":13,\"EscalaGrises\":1}\r\n");
    const std::string program = testing::binDir() + "tesselon-batch";
    // The program under the sanitizers reports fontconfig's lifetime blocks unless told.
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};

    const auto started = std::chrono::steady_clock::now();
    RunResult whole = runProgram(program, options(dir, "whole"), {}, kRunOpen);
    ASSERT_TRUE(whole.ok && whole.run);
    ASSERT_EQ(whole.run->exitCode(), 0);
    const auto wholeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started).count();

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Anywhere from before the first result to near the end of a whole run.
    std::uniform_int_distribution<long> delay(0, std::max<long>(wholeMs, 50));
    std::map<std::string, ino_t> firstSeen;
    int kills = 0;
    for (int round = 0; round < 10; ++round) {
        RunResult run = runProgram(program, options(dir, "out"), {}, kRunOpen);
        ASSERT_TRUE(run.ok && run.run);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        if (::kill(run.run->pid(), SIGKILL) == 0) ++kills;
        run.run->exitCode();
        for (const auto& [name, inode] : inodesUnder(dir.file("out/"))) firstSeen.emplace(name, inode);
    }
    // Old enough that the next run clears the temporaries the killed runs left.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    RunResult resumed = runProgram(program, options(dir, "out"), {}, kRunOpen);
    ASSERT_TRUE(resumed.ok && resumed.run);
    ASSERT_EQ(resumed.run->exitCode(), 0);

    // Every result whole and as one run makes it, and nothing else left behind.
    const auto expected = resultsUnder(dir.file("whole/"));
    ASSERT_EQ(expected.size(), 16u);
    EXPECT_TRUE(resultsUnder(dir.file("out/")) == expected);
    struct stat info {};
    EXPECT_NE(::stat(dir.file("out/.tesselon-manifest.journal").c_str(), &info), 0);

    // A result in place when a run was killed is converted again only when the kill
    // fell between its rename and its record: at most the two in hand each time.
    int convertedAgain = 0;
    const auto now = inodesUnder(dir.file("out/"));
    for (const auto& [name, inode] : firstSeen) {
        // A killed run's temporary was seen too, and is gone now.
        if (expected.count(name)) convertedAgain += now.at(name) != inode ? 1 : 0;
    }
    EXPECT_LE(convertedAgain, 2 * kills) << firstSeen.size() << " results were in place before the last run";

    // And the run after that converts nothing.
    RunResult after = runProgram(program, options(dir, "out") + " --report " + dir.file("r.json"), {}, kRunOpen);
    ASSERT_TRUE(after.ok && after.run);
    EXPECT_EQ(after.run->exitCode(), 0);
    EXPECT_EQ(testing::readFile(dir.file("r.json")).find("\"saved\":true"), std::string::npos);
    EXPECT_TRUE(inodesUnder(dir.file("out/")) == now);
}

}  // namespace
}  // namespace tesselon

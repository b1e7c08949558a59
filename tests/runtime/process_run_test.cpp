#include "runtime/process/program_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <set>
#include <thread>
#include <unistd.h>

#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::TempDir;

std::string readAll(ProgramRun& run) {
    std::string text;
    char chunk[4096];
    while (const size_t got = run.readOutput(chunk, sizeof chunk)) text.append(chunk, got);
    return text;
}

std::string readAllErrors(ProgramRun& run) {
    std::string text;
    char chunk[4096];
    while (const size_t got = run.readError(chunk, sizeof chunk)) text.append(chunk, got);
    return text;
}

constexpr int kCapture = kRunOpen | kRunHide | kRunReadOutput | kRunReadError;

TEST(ProgramRun, InputAndOutputRoundTrip) {
    RunResult r = runProgram("/bin/cat", "", "", kRunOpen | kRunReadOutput | kRunWriteInput);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.run);
    EXPECT_GT(r.run->pid(), 0);
    EXPECT_TRUE(r.run->writeInput("hola\nmundo\n"));
    r.run->closeInput();
    EXPECT_FALSE(r.run->writeInput("late"));
    EXPECT_EQ(readAll(*r.run), "hola\nmundo\n");
    EXPECT_EQ(r.run->exitCode(), 0);
    EXPECT_FALSE(r.run->running());
}

TEST(ProgramRun, ParametersErrorsAndExitCodes) {
    RunResult r = runProgram("/usr/bin/printf", "\"[%s]\" \"a b\" c", "", kCapture);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readAll(*r.run), "[a b][c]");
    EXPECT_EQ(r.run->exitCode(), 0);

    r = runProgram("sh", "-c \"echo fallo >&2; echo dato; exit 3\"", "", kCapture);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readAll(*r.run), "dato\n");
    EXPECT_EQ(readAllErrors(*r.run), "fallo\n");
    EXPECT_EQ(r.run->exitCode(), 3);

    r = runProgram("/bin/sh", "-c \"kill -9 $$\"", "", kRunOpen);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.run->exitCode(), -1);

    // A program given in quotes carries its own arguments, as a command line would.
    r = runProgram("\"/usr/bin/printf\" [%s]", "x", "", kCapture);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readAll(*r.run), "[x]");
}

TEST(ProgramRun, ReadsBlockUntilCountOrEnd) {
    RunResult r = runProgram("/bin/sh", "-c \"printf abc; sleep 0.2; printf def; sleep 0.2; printf gh\"", "",
                             kCapture);
    ASSERT_TRUE(r.ok);
    char buffer[16] = {};
    EXPECT_EQ(r.run->readOutput(buffer, 6), 6u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_EQ(r.run->readOutput(buffer, 16), 2u);
    EXPECT_EQ(std::string(buffer, 2), "gh");
    EXPECT_EQ(r.run->readOutput(buffer, 16), 0u);
}

TEST(ProgramRun, RunningUntilTheLastOutputIsRead) {
    RunResult r = runProgram("/bin/sh", "-c \"printf 12345\"", "", kCapture);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.run->exitCode(), 0);
    EXPECT_TRUE(r.run->running());
    EXPECT_EQ(r.run->availableOutput(), 5u);
    char buffer[8];
    EXPECT_EQ(r.run->readOutput(buffer, 3), 3u);
    EXPECT_EQ(r.run->availableOutput(), 2u);
    EXPECT_TRUE(r.run->running());
    EXPECT_EQ(r.run->readOutput(buffer, 8), 2u);
    EXPECT_FALSE(r.run->running());
    EXPECT_EQ(r.run->availableOutput(), 0u);
}

TEST(ProgramRun, WaitingNeverStallsOnFullPipes) {
    // Far more than a pipe holds, on both pipes, with the input pipe left open.
    RunResult r = runProgram("/bin/sh", "-c \"head -c 3000000 /dev/zero; head -c 200000 /dev/zero >&2\"", "",
                             kCapture | kRunWait | kRunWriteInput);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.run->availableOutput(), 3000000u);
    EXPECT_EQ(readAll(*r.run).size(), 3000000u);
    EXPECT_EQ(readAllErrors(*r.run).size(), 200000u);
    EXPECT_EQ(r.run->exitCode(), 0);
}

TEST(ProgramRun, ChainsOneRunsOutputIntoTheNext) {
    RunResult first = runProgram("/usr/bin/printf", "\"uno\\ndos\\n\"", "", kRunOpen | kRunReadOutput);
    ASSERT_TRUE(first.ok);
    RunResult second = runProgram("/usr/bin/tr", "a-z A-Z", "", kRunOpen | kRunReadOutput | kRunConnectInput,
                                  first.run.get());
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(readAll(*second.run), "UNO\nDOS\n");
    EXPECT_EQ(second.run->exitCode(), 0);
    // The first run's output went to the second program, not to this process.
    char buffer[8];
    EXPECT_EQ(first.run->readOutput(buffer, sizeof buffer), 0u);
    EXPECT_EQ(first.run->exitCode(), 0);

    EXPECT_FALSE(runProgram("/usr/bin/tr", "a b", "", kRunOpen | kRunConnectInput).ok);
    EXPECT_FALSE(runProgram("/usr/bin/tr", "a b", "", kRunOpen | kRunConnectInput, first.run.get()).ok);
}

TEST(ProgramRun, WorkingFolderAndWaiting) {
    TempDir dir;
    RunResult r = runProgram("/bin/pwd", "", dir.path(), kCapture);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readAll(*r.run), dir.path().substr(0, dir.path().size() - 1) + "\n");

    r = runProgram("/bin/sh", "-c \"sleep 0.2; echo hecho > marca\"", dir.path(), kRunWait);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.run);
    EXPECT_EQ(readFile(dir.file("marca")), "hecho\n");

    EXPECT_FALSE(runProgram("/bin/pwd", "", dir.file("missing"), kCapture).ok);
    EXPECT_FALSE(runProgram("", "x").ok);
}

TEST(ProgramRun, WritingToAFinishedProgramFailsQuietly) {
    RunResult r = runProgram("/bin/true", "", "", kRunOpen | kRunWriteInput);
    ASSERT_TRUE(r.ok);
    for (int i = 0; i < 500 && r.run->running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Without care the broken pipe's SIGPIPE would end this test process here.
    EXPECT_FALSE(r.run->writeInput(std::string(1 << 20, 'x')));
}

std::set<std::string> pipesOpenIn(const std::string& fdFolder, int above) {
    std::set<std::string> pipes;
    DIR* dir = ::opendir(fdFolder.c_str());
    if (!dir) return pipes;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' || std::atoi(e->d_name) <= above) continue;
        char target[256] = {};
        if (::readlink((fdFolder + "/" + e->d_name).c_str(), target, sizeof target - 1) > 0 &&
            std::string(target).rfind("pipe:", 0) == 0) {
            pipes.insert(target);
        }
    }
    ::closedir(dir);
    return pipes;
}

TEST(ProgramRun, PipesDoNotLeakIntoOtherChildren) {
    const std::set<std::string> inherited = pipesOpenIn("/proc/self/fd", -1);
    RunResult piped = runProgram("/bin/sleep", "0.5", "", kRunOpen | kRunReadOutput | kRunWriteInput | kRunReadError);
    ASSERT_TRUE(piped.ok);
    RunResult other = runProgram("/bin/sleep", "1", "", kRunOpen);
    ASSERT_TRUE(other.ok);
    std::set<std::string> ours = pipesOpenIn("/proc/self/fd", -1);
    for (const std::string& pipe : inherited) ours.erase(pipe);
    EXPECT_GE(ours.size(), 3u);
    for (const std::string& pipe : pipesOpenIn("/proc/" + std::to_string(other.run->pid()) + "/fd", 2)) {
        EXPECT_EQ(ours.count(pipe), 0u) << pipe;
    }
    EXPECT_EQ(piped.run->exitCode(), 0);
}

// Children of this process that have ended but were not reaped.
int zombieChildren() {
    int zombies = 0;
    DIR* proc = ::opendir("/proc");
    while (const dirent* e = proc ? ::readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 && state == 'Z' &&
            parent == ::getpid()) {
            ++zombies;
        }
    }
    if (proc) ::closedir(proc);
    return zombies;
}

TEST(ProgramRun, NoChildIsLeftAZombie) {
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(runProgram("/bin/true").ok);
    {
        RunResult abandoned = runProgram("/bin/sleep", "0.1", "", kRunOpen | kRunReadOutput);
        ASSERT_TRUE(abandoned.ok);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int zombies = zombieChildren();
    for (int i = 0; i < 100 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        zombies = zombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

// Points the desktop opener at a script that records what it was asked to open.
class FakeOpener {
public:
    explicit FakeOpener(const TempDir& dir) : record_(dir.file("opened.txt")) {
        const std::string script = dir.write("opener.sh", "printf '%s|%s' \"$1\" \"$(pwd)\" > '" + record_ + "'\n");
        if (const char* old = std::getenv("TESSELON_OPENER")) saved_ = old;
        ::setenv("TESSELON_OPENER", ("/bin/sh " + script).c_str(), 1);
    }
    ~FakeOpener() { saved_ ? ::setenv("TESSELON_OPENER", saved_->c_str(), 1) : ::unsetenv("TESSELON_OPENER"); }
    std::string opened() const { return readFile(record_); }

private:
    std::string record_;
    std::optional<std::string> saved_;
};

TEST(ProgramRun, DocumentsFoldersAndUrlsGoToTheOpener) {
    TempDir dir;
    FakeOpener opener(dir);
    RunResult r = runProgram("https://example.invalid/descarga", "", "", kRunWait);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(opener.opened().substr(0, opener.opened().find('|')), "https://example.invalid/descarga");

    // A document opens in its own folder.
    const std::string document = dir.write("docs/leeme.txt", "texto");
    r = runProgram(document, "", "", kRunWait | kRunOpen);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.run);
    EXPECT_EQ(r.run->exitCode(), 0);
    EXPECT_EQ(opener.opened(), document + "|" + dir.file("docs"));

    r = runProgram("\"" + dir.file("docs") + "\"", "", "", kRunWait);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(opener.opened().substr(0, opener.opened().find('|')), dir.file("docs"));
}

TEST(ProgramRun, NoOpenerWhenPipesAreRequested) {
    TempDir dir;
    FakeOpener opener(dir);
    EXPECT_FALSE(runProgram("https://example.invalid/", "", "", kCapture).ok);
    EXPECT_FALSE(runProgram(dir.write("doc.txt", "x"), "", "", kRunOpen | kRunWriteInput).ok);
    EXPECT_EQ(opener.opened(), "");
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "support/http_test_server.h"
#include "update/update_check/build_stamp.h"
#include "update/update_check/executable_swap.h"
#include "update/update_check/file_checksum.h"
#include "runtime/process/program_run.h"
#include "update/update_check/update_check.h"
#include "update_test_support.h"

namespace tesselon::testing {
namespace {

const std::string kNewerStamp = std::to_string(std::stoll(kLocalBuildStamp) + 1);

// A program folder holding a stand-in executable (a script that notes how it was
// started), a host serving the version file and the new build, and window 4 as a
// script.
class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() {
        state.ProgramFolder = program.path();
        state.frontend = &frontend;
        state.settings.config.autoUpdate = 1;
        executable = writeScript("tesselon", "old");
        newBuild = scriptText("new");
        served.write("files/tesselon-new", newBuild);
        served.write("files/plugin.dat", "plugin bytes");
        served.write("files/readme.txt", "readme");
    }

    std::string scriptText(const std::string& who) const {
        return "#!/bin/sh\necho \"" + who + " $*\" > '" + program.file("started.txt") + "'\n";
    }
    std::string writeScript(const std::string& name, const std::string& who) const {
        const std::string path = program.write(name, scriptText(who));
        ::chmod(path.c_str(), 0750);
        return path;
    }
    // The version file and the vendor's signature of it beside it.
    void serveVersion(const std::string& text) {
        serveUnsigned(text);
        served.write(".soft/.Tesselon/lastversion.dat.sig", vendor.sign(text));
    }
    void serveUnsigned(const std::string& text) {
        served.write(".soft/.Tesselon/lastversion.dat", text);
        deleteFile(served.file(".soft/.Tesselon/lastversion.dat.sig"));
    }
    std::string shaOf(const std::string& servedFile) const { return sha256OfFile(served.file(servedFile)); }
    // The first line of a version file naming the new build at `folder` on the host,
    // with its checksum unless told otherwise.
    std::string firstLine(const std::string& folder) const { return firstLine(folder, shaOf("files/tesselon-new")); }
    std::string firstLine(const std::string& folder, const std::string& sha) const {
        return "VERSION#" + kNewerStamp + "#tesselon-new#" + folder + "##" + sha;
    }
    // Whether the host was ever asked for the new build.
    bool newBuildRequested(const TestHttpServer& host) const {
        for (const LoggedRequest& request : host.requests())
            if (request.path.ends_with("tesselon-new")) return true;
        return false;
    }

    UpdateOutcome run(const std::string& primary, const std::string& fallback = "http://fallback.example.invalid/") {
        UpdateCheck check{state, window, VendorHosts{primary, fallback}, executable, [this] { ++saveAndCloseCalls; },
                          {}, publicKey};
        return runUpdateCheck(check);
    }

    // Presses "Salir" once the failure has been reported.
    void leaveAfterAFailure() {
        frontend.onWait = [this] {
            if (!frontend.messages.empty()) window.next.leavePressed = true;
        };
    }

    bool executableUnchanged() const {
        struct stat info {};
        return readFile(executable) == scriptText("old") && ::stat(executable.c_str(), &info) == 0 &&
               (info.st_mode & 07777) == 0750;
    }
    // Files beside the executable other than the ones named.
    std::vector<std::string> strayFiles(std::initializer_list<std::string> expected) const {
        std::vector<std::string> stray;
        for (const auto& entry : std::filesystem::directory_iterator(program.path())) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) stray.push_back(name);
        }
        return stray;
    }
    std::string startedAs() const {
        for (int i = 0; i < 300 && fileSize(program.file("started.txt")) <= 0; ++i) usleep(10000);
        return readFile(program.file("started.txt"));
    }

    TempDir program;
    TempDir served;
    TempDir temporary;
    TestHttpServer server{served.path()};
    // What the check makes in the temporary folder goes where the test can see it.
    const ScopedEnv privateTemporary{"TMPDIR", temporary.path()};
    PacedFrontend frontend;
    ScriptedUpdateWindow window;
    AppState state;
    TestSigningKey vendor;
    std::string publicKey = vendor.publicKey();
    std::string executable;
    std::string newBuild;
    int saveAndCloseCalls = 0;
};

TEST_F(UpdateCheckTest, NoNewerBuildClosesTheSmallWindowAndGoesOn) {
    // What an update killed midway left is cleared at the next check.
    program.write(".tesselon-update-Ab12Cd/file.0", "half a download");
    const std::string local = kLocalBuildStamp;
    struct Case {
        std::string version;
        std::string shownStamp;
    };
    for (const Case& c : {Case{"VERSION#" + local + "#tesselon#x/", local},
                          Case{"<html><body>Error 404 Not Found</body></html>", local},
                          Case{"VERSION#" + local + "0#tesselon#x/", ""}}) {
        if (c.shownStamp.empty()) {
            // No host answers at all.
            window = ScriptedUpdateWindow{};
            EXPECT_EQ(run("http://127.0.0.1:1/", "http://127.0.0.1:1/"), UpdateOutcome::Continue);
            EXPECT_EQ(window.shown.back().onlineStamp, local);
            continue;
        }
        serveVersion(c.version);
        window = ScriptedUpdateWindow{};
        EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::Continue) << c.version;
        EXPECT_EQ(window.opened, 1);
        EXPECT_FALSE(window.isOpen);
        EXPECT_FALSE(window.shown.back().expanded);
        EXPECT_EQ(window.shown.front().localStamp, local);
        EXPECT_EQ(window.shown.front().onlineStamp, "");
        EXPECT_EQ(window.shown.back().onlineStamp, c.shownStamp);
        EXPECT_TRUE(frontend.mainEnabled);
    }
    EXPECT_EQ(saveAndCloseCalls, 0);
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_TRUE(executableUnchanged());
    EXPECT_TRUE(strayFiles({"tesselon"}).empty());
}

TEST_F(UpdateCheckTest, NewerSignedBuildIsDownloadedInstalledAndStartedWithUpdate) {
    ASSERT_TRUE(std::filesystem::create_directory(program.file("plugins")));
    // A file the update replaces keeps its permissions.
    const std::string oldReadme = program.write("readme.txt", "old readme");
    ::chmod(oldReadme.c_str(), 0640);
    const std::string files = server.baseUrl() + "files";
    serveVersion(firstLine(files) + "\r\n" + "VERSION#x#plugin.dat#" + files + "/#plugins#" + shaOf("files/plugin.dat") +
                 "\r\n\r\n" + "x#x#readme.txt#" + files + "##" + shaOf("files/readme.txt") + "\r\n");
    state.settings.config.autoUpdate = 0;
    frontend.onWait = [this] { window.checkBox = true; };
    program.write("deleteme.now", "left by an earlier update");

    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);

    std::vector<std::string> counters;
    for (const UpdateScreen& s : window.shown)
        if (counters.empty() || counters.back() != s.fileCounter) counters.push_back(s.fileCounter);
    EXPECT_EQ(counters, (std::vector<std::string>{"", "(0 de 3)", "(1 de 3)", "(2 de 3)", "(3 de 3)"}));
    EXPECT_TRUE(window.shown.back().expanded);
    EXPECT_EQ(window.shown.back().onlineStamp, kNewerStamp);
    EXPECT_EQ(window.shown.back().progressValue, 6);

    EXPECT_EQ(readFile(program.file("plugins/plugin.dat")), "plugin bytes");
    EXPECT_EQ(readFile(program.file("readme.txt")), "readme");
    struct stat info {};
    ASSERT_EQ(::stat(oldReadme.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // The new build stands where the old one stood, runnable like it; the old one is
    // kept as deleteme.now, and the new one was started with -update.
    EXPECT_EQ(readFile(executable), newBuild);
    ASSERT_EQ(::stat(executable.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0111, 0110u);
    EXPECT_EQ(readFile(program.file("deleteme.now")), scriptText("old"));
    EXPECT_EQ(startedAs(), "new -update\n");
    EXPECT_EQ(saveAndCloseCalls, 1);
    // The settings were saved beside the program with the check box's state.
    EXPECT_NE(readFile(program.file("default.cfg")).find("\"autoUpdate\":1"), std::string::npos);
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_TRUE(strayFiles({"tesselon", "deleteme.now", "default.cfg", "plugins", "readme.txt", "started.txt"}).empty());
    // Nothing of the check is left in the temporary folder.
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
}

// The attack: whoever answers plain HTTP (or holds a certificate, or feeds a download
// tool) serves a version file with a build and its correct checksum, but cannot sign.
TEST_F(UpdateCheckTest, UnsignedOfferInstallsNothingWhateverTheTransport) {
    TestHttpServer secure(served.path(), {true, 20});
    const ScopedEnv ca("TESSELON_CA_FILE", secure.caFile());
    const TestSigningKey stranger;
    struct Case {
        const char* what;
        const TestHttpServer& host;
        bool throughWget;
        std::function<void(const std::string&)> publish;
    };
    const auto signature = [this](const std::string& text) {
        served.write(".soft/.Tesselon/lastversion.dat.sig", text);
    };
    const std::vector<Case> cases = {
        {"no signature, plain HTTP", server, false, [&](const std::string& v) { serveUnsigned(v); }},
        {"no signature, verified HTTPS", secure, false, [&](const std::string& v) { serveUnsigned(v); }},
        {"no signature, through wget", server, true, [&](const std::string& v) { serveUnsigned(v); }},
        {"a malformed signature", server, false,
         [&](const std::string& v) { serveUnsigned(v), signature("not base64 at all\n"); }},
        {"a signature of 63 bytes", server, false,
         [&](const std::string& v) { serveUnsigned(v), signature(vendor.sign(v).substr(0, 84) + "==\n"); }},
        {"another key's signature", server, false,
         [&](const std::string& v) { serveUnsigned(v), signature(stranger.sign(v)); }},
        {"a line added after signing", server, true,
         [&](const std::string& v) {
             serveVersion(v);
             served.write(".soft/.Tesselon/lastversion.dat", v + "\nx#x#evil.so#http://127.0.0.1:1/##" +
                                                               std::string(64, 'a'));
         }},
    };
    ASSERT_TRUE(installTool(program, "wget.dat"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state.UseExternalDownloader = c.throughWget ? 1 : 0;
        c.publish(firstLine(c.host.baseUrl() + "files"));
        frontend.messages.clear();
        window = ScriptedUpdateWindow{};
        // Refused, the start goes on as before: no lock-out by a bogus offer.
        EXPECT_EQ(run(c.host.baseUrl()), UpdateOutcome::Continue);
        ASSERT_EQ(frontend.messages.size(), 1u);
        EXPECT_EQ(frontend.messages[0].title, "Error Actualizando");
        EXPECT_EQ(frontend.messages[0].text, "No se pudo verificar la firma de la actualización");
        EXPECT_EQ(frontend.messages[0].icon, MessageIcon::Error);
        EXPECT_FALSE(window.isOpen);
        EXPECT_TRUE(frontend.mainEnabled);
        EXPECT_EQ(saveAndCloseCalls, 0);
        EXPECT_FALSE(newBuildRequested(c.host));
        EXPECT_TRUE(executableUnchanged());
        EXPECT_TRUE(strayFiles({"tesselon", "wget.dat"}).empty());
    }
}

TEST_F(UpdateCheckTest, BuildWithoutAKeyShowsTheNewerStampButInstallsNothing) {
    serveVersion(firstLine(server.baseUrl() + "files"));
    for (const std::string key : {"", "c2hvcnQ="}) {
        publicKey = key;
        window = ScriptedUpdateWindow{};
        EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::Continue);
        EXPECT_EQ(window.shown.back().onlineStamp, kNewerStamp);
        EXPECT_FALSE(window.isOpen);
    }
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_FALSE(newBuildRequested(server));
    EXPECT_TRUE(executableUnchanged());
}

TEST_F(UpdateCheckTest, SignedFileThatFailsItsLineIsAFailedDownload) {
    const std::string files = server.baseUrl() + "files";
    struct Case {
        const char* what;
        std::string version;
    };
    for (const Case& c : {Case{"no checksum on the executable's line", firstLine(files, "")},
                          Case{"no checksum on another line",
                               firstLine(files) + "\nx#x#readme.txt#" + files + "#"},
                          Case{"a wrong checksum", firstLine(files, std::string(64, 'a'))},
                          Case{"an error page", firstLine(files) + "\nx#x#readme.txt#" + server.baseUrl() +
                                                    "status/404##" + shaOf("files/readme.txt")},
                          Case{"a missing subfolder",
                               firstLine(files) + "\nx#x#plugin.dat#" + files + "#missing#" + shaOf("files/plugin.dat")},
                          Case{"a longer file than its checksum's",
                               firstLine(server.baseUrl() + "endless/files")}}) {
        SCOPED_TRACE(c.what);
        serveVersion(c.version);
        frontend.messages.clear();
        saveAndCloseCalls = 0;
        leaveAfterAFailure();
        // Leaving after a newer build was offered ends the program.
        EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
        ASSERT_EQ(frontend.messages.size(), 1u);
        EXPECT_EQ(frontend.messages[0].title, "Error Actualizando");
        EXPECT_EQ(frontend.messages[0].text, "No se pudo descargar actualización");
        EXPECT_EQ(frontend.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(saveAndCloseCalls, 1);
        EXPECT_TRUE(executableUnchanged());
        EXPECT_TRUE(strayFiles({"tesselon"}).empty());
    }
}

// The second attack: a signed update of three files whose third does not match. Before,
// the first two were already in place, the second without its execute permission.
TEST_F(UpdateCheckTest, OneBadFileAmongThreeLeavesBothProgramsAsTheyWere) {
    const std::string batch = writeScript("tesselon-batch", "old batch");
    ::chmod(batch.c_str(), 0755);
    served.write("files/tesselon-batch", scriptText("new batch"));
    program.write("data.dat", "old data");
    const std::string files = server.baseUrl() + "files";
    const std::string batchLine = "x#x#tesselon-batch#" + files + "##" + shaOf("files/tesselon-batch");
    struct Case {
        const char* what;
        std::string third;
    };
    for (const Case& c : {Case{"a wrong checksum", "x#x#data.dat#" + files + "##" + std::string(64, '0')},
                          // Fetched and matching, but its place is taken by a folder: the
                          // files moved before it go back.
                          Case{"a place that cannot be taken", "x#x#plugins#" + files + "##" + shaOf("files/plugin.dat")}}) {
        SCOPED_TRACE(c.what);
        served.write("files/plugins", "plugin bytes");
        std::filesystem::create_directories(program.file("plugins/in-use"));
        serveVersion(firstLine(files) + "\n" + batchLine + "\n" + c.third + "\n");
        frontend.messages.clear();
        leaveAfterAFailure();
        EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
        ASSERT_EQ(frontend.messages.size(), 1u);
        EXPECT_EQ(frontend.messages[0].text, "No se pudo descargar actualización");
        EXPECT_TRUE(executableUnchanged());
        EXPECT_EQ(readFile(program.file("data.dat")), "old data");
        EXPECT_EQ(readFile(batch), scriptText("old batch"));
        EXPECT_EQ(strayFiles({"tesselon", "tesselon-batch", "data.dat", "plugins", "started.txt"}),
                  std::vector<std::string>{});
        // Both programs still start and run.
        for (const std::string& path : {executable, batch}) {
            RunResult started = runProgramArguments({path, "--check"}, {}, kRunOpen);
            ASSERT_TRUE(started.ok) << path;
            EXPECT_EQ(started.run->exitCode(), 0) << path;
        }
        EXPECT_EQ(readFile(program.file("started.txt")), "old batch --check\n");
    }
}

// The third attack: a version file that never ends. The check gives up at 64 KiB, with
// nothing larger ever on the disk, through the service and through a tool alike.
TEST_F(UpdateCheckTest, EndlessVersionFileStopsAt64KiB) {
    serveVersion(firstLine(server.baseUrl() + "files") + "\n");
    int64_t largest = 0;
    frontend.onWait = [&] {
        for (const std::string& folder : {temporary.path(), program.path()}) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(
                     folder, std::filesystem::directory_options::skip_permission_denied)) {
                std::error_code error;
                if (entry.is_regular_file(error) && entry.path().filename() != "wget.dat")
                    largest = std::max(largest, int64_t(entry.file_size(error)));
            }
        }
    };
    ASSERT_TRUE(installTool(program, "wget.dat"));
    for (int throughWget : {0, 1}) {
        SCOPED_TRACE(throughWget ? "wget" : "service");
        state.UseExternalDownloader = throughWget;
        window = ScriptedUpdateWindow{};
        const std::string endless = server.baseUrl() + "endless/";
        // The version file starts like the real one, then goes on for ever.
        EXPECT_EQ(run(endless, endless), UpdateOutcome::Continue);
        EXPECT_EQ(window.shown.back().onlineStamp, kLocalBuildStamp);
        EXPECT_TRUE(frontend.messages.empty());
        EXPECT_TRUE(executableUnchanged());
        EXPECT_TRUE(strayFiles({"tesselon", "wget.dat"}).empty());
        EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
    }
    EXPECT_LE(largest, 64 * 1024);
}

TEST_F(UpdateCheckTest, FailedDownloadOverHttpsCanBeRetried) {
    TestHttpServer secure(served.path(), {true, 20});
    const ScopedEnv ca("TESSELON_CA_FILE", secure.caFile());
    serveVersion(firstLine(secure.baseUrl() + "later"));
    // The first attempt finds nothing; "Descargar" tries again once the file is there.
    frontend.onWait = [this] {
        if (frontend.messages.size() == 1 && fileSize(served.file("later/tesselon-new")) < 0) {
            served.write("later/tesselon-new", newBuild);
            window.next.downloadPressed = true;
        }
    };
    EXPECT_EQ(run(secure.baseUrl()), UpdateOutcome::EndProgram);
    EXPECT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(readFile(executable), newBuild);
    EXPECT_EQ(startedAs(), "new -update\n");
}

TEST_F(UpdateCheckTest, SalirDuringASlowDownloadStopsItAtOnce) {
    // One byte every 0.2 s: the whole file would take a quarter of an hour.
    served.write("files/tesselon-new", std::string(5000, 'n'));
    serveVersion(firstLine(server.baseUrl() + "slow/files") + "\n");
    frontend.onWait = [this] {
        if (!window.shown.empty() && window.shown.back().progressValue > 0) window.next.leavePressed = true;
    };
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
    EXPECT_EQ(saveAndCloseCalls, 1);
    EXPECT_TRUE(executableUnchanged());
    EXPECT_TRUE(strayFiles({"tesselon"}).empty());
}

TEST_F(UpdateCheckTest, TemporaryFilesCannotBePlantedByOtherUsers) {
    // Someone else's link under the name a temporary copy would once have had.
    const std::string victim = program.write("victim.txt", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), temporary.file("$tesselonlv.$").c_str()), 0);
    ASSERT_EQ(::symlink(victim.c_str(), temporary.file("$zikupdate.tmp").c_str()), 0);
    serveVersion("VERSION#" + std::string(kLocalBuildStamp) + "#tesselon#x/");
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::Continue);
    ASSERT_TRUE(installTool(program, "wget.dat"));
    state.UseExternalDownloader = 1;
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::Continue);
    EXPECT_EQ(readFile(victim), "precious");
}

TEST_F(UpdateCheckTest, ThroughWgetOnlyTheFirstLineCountsAndTheChecksumDecides) {
    ASSERT_TRUE(installTool(program, "wget.dat"));
    state.UseExternalDownloader = 1;
    const std::string files = server.baseUrl() + "files";
    const std::string readmeLine = "\nx#x#readme.txt#" + files + "##" + shaOf("files/readme.txt") + "\n";
    serveVersion(firstLine(files, std::string(64, 'b')) + readmeLine);
    leaveAfterAFailure();
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
    EXPECT_EQ(frontend.messages.size(), 1u);
    EXPECT_TRUE(executableUnchanged());

    frontend.onWait = {};
    frontend.messages.clear();
    serveVersion(firstLine(files) + readmeLine);
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_EQ(readFile(executable), newBuild);
    EXPECT_EQ(fileSize(program.file("readme.txt")), kFileMissing);
    EXPECT_EQ(window.shown.back().fileCounter, "(1 de 1)");
}

TEST_F(UpdateCheckTest, MissingToolTakenEndsTheProgramBeforeTheWindowOpens) {
    state.UseExternalDownloader = 1;
    const ScopedEnv opener("TESSELON_OPENER", "true");
    frontend.answers = {MessageAnswer::Yes};
    EXPECT_EQ(run(server.baseUrl()), UpdateOutcome::EndProgram);
    EXPECT_EQ(window.opened, 0);
    EXPECT_EQ(saveAndCloseCalls, 0);
}

TEST(ExecutableSwap, RunnableProgramStandsAtThePathWhateverFails) {
    TempDir folder;
    const std::string executable = folder.write("tesselon", "old program");
    ::chmod(executable.c_str(), 0755);
    const std::string fresh = folder.write("fresh", "new program");
    ::chmod(fresh.c_str(), 0600);

    // A new "file" that cannot be renamed over the executable.
    ASSERT_TRUE(std::filesystem::create_directory(folder.file("not-a-file")));
    EXPECT_FALSE(swapExecutable(folder.file("not-a-file"), executable, folder.file("deleteme.now")));
    EXPECT_EQ(readFile(executable), "old program");
    EXPECT_EQ(fileSize(folder.file("deleteme.now")), kFileMissing);

    EXPECT_TRUE(swapExecutable(fresh, executable, folder.file("deleteme.now")));
    EXPECT_EQ(readFile(executable), "new program");
    EXPECT_EQ(readFile(folder.file("deleteme.now")), "old program");
    struct stat info {};
    ASSERT_EQ(::stat(executable.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0711u);
}

}  // namespace
}  // namespace tesselon::testing

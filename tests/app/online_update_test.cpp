#include <gtest/gtest.h>

#include <QApplication>
#include <fstream>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include "app_fixture.h"
#include "runtime/fs/file_system.h"
#include "runtime/http/http_transfer.h"
#include "runtime/process/program_run.h"
#include "support/http_test_server.h"
#include "support/restricted_folder.h"
#include "support/test_paths.h"
#include "update/update_check/build_stamp.h"
#include "update/update_check/file_checksum.h"

namespace tesselon::testing {
namespace {

const std::string kNewerStamp = std::to_string(std::stoll(kLocalBuildStamp) + 1);

// What scripts/sign-update prints, run with `arguments`.
std::string signUpdate(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{sourceDir() + "scripts/sign-update"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    RunResult started = runProgramArguments(command, {}, kRunOpen | kRunReadOutput);
    std::string output;
    if (!started.ok) return output;
    char block[256];
    for (size_t got; (got = started.run->readOutput(block, sizeof block)) > 0;) output.append(block, got);
    started.run->exitCode();
    return output;
}

// What the screen showed while the start ran, looked at every few milliseconds.
struct Sighting {
    int height = 0;
    bool mainEnabled = true;
};

class OnlineUpdate : public DesktopTest {
protected:
    OnlineUpdate() {
        executablePath = programFolder.write("tesselon", script("old"));
        ::chmod(executablePath.c_str(), 0755);
        served.write("files/tesselon", script("new"));
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "Window_Update" && w->isVisible())
                    window4.push_back(Sighting{w->height(), !app || !app->mainWindow() || app->mainWindow()->isEnabled()});
            }
        });
        watch.start();
    }

    std::string script(const std::string& who) const {
        return "#!/bin/sh\necho \"" + who + " $*\" > '" + programFolder.file("started.txt") + "'\n";
    }
    void serveVersion(const std::string& stamp) {
        publish("VERSION#" + stamp + "#tesselon#" + server.baseUrl() + "files##" +
                sha256OfFile(served.file("files/tesselon")) + "\r\n");
    }
    // The version file, signed with the vendor's key.
    void publish(const std::string& text) {
        const std::string file = served.write(".soft/.Tesselon/lastversion.dat", text);
        ASSERT_EQ(signUpdate({"sign", vendorKey, file}), file + ".sig\n");
    }
    size_t requestsFor(const std::string& path) const {
        size_t n = 0;
        for (const LoggedRequest& r : server.requests()) n += r.path == path ? 1 : 0;
        return n;
    }

    TempDir served;
    TempDir keys;
    const std::string vendorKey = keys.file("vendor.pem");
    const ScopedEnv publicKey{"TESSELON_UPDATE_PUBLIC_KEY", signUpdate({"keygen", vendorKey})};
    TestHttpServer server{served.path()};
    const ScopedEnv primary{"TESSELON_PRIMARY_URL", server.baseUrl()};
    const ScopedEnv fallback{"TESSELON_FALLBACK_URL", "http://127.0.0.1:1/"};
    QTimer watch;
    std::vector<Sighting> window4;
};

TEST_F(OnlineUpdate, StartWithoutParametersInstallsTheNewerBuildAndRestartsIt) {
    serveVersion(kNewerStamp);
    giveConsent();
    answers = {MessageAnswer::No};
    // The program replaced itself: the start ends there.
    EXPECT_FALSE(startWith());

    ASSERT_FALSE(window4.empty());
    EXPECT_EQ(window4.front().height, 110);
    EXPECT_EQ(window4.back().height, 350);
    for (const Sighting& s : window4) EXPECT_FALSE(s.mainEnabled);
    EXPECT_EQ(readFile(executablePath), script("new"));
    EXPECT_EQ(readFile(programFolder.file("deleteme.now")), script("old"));
    for (int i = 0; i < 300 && fileSize(programFolder.file("started.txt")) <= 0; ++i) usleep(10000);
    EXPECT_EQ(readFile(programFolder.file("started.txt")), "new -update\n");
    // The settings the new build starts with.
    const std::string saved = readFile(programFolder.file("default.cfg"));
    EXPECT_NE(saved.find("[Config]\r\n{"), std::string::npos);
    EXPECT_NE(saved.find("\"autoUpdate\":0"), std::string::npos);
    EXPECT_EQ(titles(), std::vector<std::string>{"Recontar nº de imágenes"});
}

TEST_F(OnlineUpdate, NoNewerBuildGivesTheMainWindowBack) {
    serveVersion(kLocalBuildStamp);
    startQuietly();
    ASSERT_FALSE(window4.empty());
    for (const Sighting& s : window4) EXPECT_EQ(s.height, 110);
    EXPECT_TRUE(window().isEnabled());
    EXPECT_EQ(requestsFor("/.soft/.Tesselon/lastversion.dat"), 2u);  // the probe and the read
    EXPECT_EQ(readFile(executablePath), script("old"));
}

TEST_F(OnlineUpdate, AnyParameterSkipsTheCheckButNotTheStatisticsRequest) {
    serveVersion(kNewerStamp);
    for (const char* parameter : {"-update", "/LOCKED=0", "unknown"}) {
        startQuietly({parameter});
        app.reset();
    }
    EXPECT_TRUE(window4.empty());
    EXPECT_EQ(requestsFor("/.soft/.Tesselon/lastversion.dat"), 0u);
    for (int i = 0; i < 300 && requestsFor("/.soft/.stats/?app=TSN") < 3; ++i) usleep(10000);
    EXPECT_EQ(requestsFor("/.soft/.stats/?app=TSN"), 3u);
    EXPECT_EQ(readFile(executablePath), script("old"));
}

TEST_F(OnlineUpdate, AnInstalledProgramNeverOffersToReplaceItself) {
    serveVersion(kNewerStamp);
    TempDir home;
    const ScopedEnv config{"XDG_CONFIG_HOME", home.path()};
    RestrictedFolder installed(programFolder.file("bin"), RestrictedFolder::Kind::ReadOnly);
    const std::string program = installed.path() + "/tesselon";
    std::ofstream(program) << script("old");
    if (!installed.engage()) GTEST_SKIP() << "no way to make a folder read-only here";
    home.write("tesselon/HayConsentimiento.dat", std::string(84, 'x'));
    startFolder = installed.path() + "/";
    executablePath = program;
    answers = {MessageAnswer::No};
    ASSERT_TRUE(startWith());

    EXPECT_EQ(state().ProgramFolder, home.path() + "tesselon/");
    EXPECT_TRUE(window4.empty());
    EXPECT_EQ(requestsFor("/.soft/.Tesselon/lastversion.dat"), 0u);
    EXPECT_EQ(readFile(program), script("old"));
    app.reset();
}

TEST_F(OnlineUpdate, NeitherTheStartNorTheEndWaitsForTheStatisticsRequest) {
    // The host takes the request and answers only once the program is gone.
    const ScopedEnv holding{"TESSELON_PRIMARY_URL", server.baseUrl() + "hold/"};
    served.write("hold/.soft/.stats/index.html", "counted");
    startQuietly({"/LOCKED=0"});
    app.reset();
    for (int i = 0; i < 300 && requestsFor("/hold/.soft/.stats/?app=TSN") < 1; ++i) usleep(10000);
    EXPECT_EQ(requestsFor("/hold/.soft/.stats/?app=TSN"), 1u);
    server.release();
}

TEST_F(OnlineUpdate, TerminationDuringADownloadEndsTheProgramAtOnce) {
    // The host never sends the new build.
    publish("VERSION#" + kNewerStamp + "#tesselon#" + server.baseUrl() + "hold/files##" + std::string(64, '0') +
            "\r\n");
    giveConsent();
    answers = {MessageAnswer::No};
    // Ended the way a session logout ends it, once the download is under way.
    QTimer logout;
    logout.setInterval(5);
    QObject::connect(&logout, &QTimer::timeout, [&] {
        if (window4.empty() || window4.back().height != 350) return;
        logout.stop();
        app->requestEnd();
    });
    logout.start();
    EXPECT_FALSE(startWith());
    server.release();
    EXPECT_EQ(titles(), std::vector<std::string>{"Recontar nº de imágenes"});
    EXPECT_EQ(readFile(executablePath), script("old"));
    EXPECT_EQ(fileSize(programFolder.file("deleteme.now")), kFileMissing);
}

TEST_F(OnlineUpdate, UsarWgetWithAWgetToolBesideTheProgramRoutesTheCheckThroughIt) {
    serveVersion(kLocalBuildStamp);
    const std::string wget = readFile("/usr/bin/wget");
    struct Case {
        std::string marker, tool;
        int8_t expected;
    };
    for (const Case& c : {Case{"", wget, 0}, Case{"x", std::string(100, 'w'), 0}, Case{"x", wget, 1}}) {
        programFolder.write("usarWget.txt", c.marker);
        ::chmod(programFolder.write("wget.dat", c.tool).c_str(), 0755);
        startQuietly();
        EXPECT_EQ(state().UseExternalDownloader, c.expected);
        app.reset();
    }
    // Only the last start asked through wget.
    size_t byWget = 0;
    for (const LoggedRequest& r : server.requests())
        byWget += r.header("User-Agent").rfind("Wget/", 0) == 0 ? 1 : 0;
    EXPECT_EQ(byWget, 2u);  // the probe and the read
}

// Run by CTest with the netwatch library preloaded (update_defaults_stay_offline).
TEST(OnlineUpdateOffline, StartAgainstTheBuiltInHostsLooksNothingUpAndConnectsNowhere) {
    const char* log = std::getenv("TESSELON_NETWATCH_LOG");
    if (!log || !*log) GTEST_SKIP() << "needs the netwatch library preloaded";
    deleteFile(log);
    TempDir folder;
    folder.write("HayConsentimiento.dat", std::string(84, 'x'));
    Application start(Application::Options{folder.path(), {}});
    start.setExecutablePath(folder.write("tesselon", "not to be replaced"));
    start.frontend().setMessageScript([](auto, auto, auto, auto) { return MessageAnswer::No; });
    ASSERT_TRUE(start.start());
    EXPECT_TRUE(start.mainWindow()->isEnabled());
    usleep(200000);  // the statistics thread has long had its turn
    EXPECT_EQ(readFile(log), "");

    // The watch itself works: a connection to this machine is noted.
    (void)fetchHttpMemory("http://127.0.0.1:9/");
    EXPECT_EQ(readFile(log), "connect 127.0.0.1 9\n");
}

}  // namespace
}  // namespace tesselon::testing

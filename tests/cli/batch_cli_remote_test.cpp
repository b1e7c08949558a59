// tesselon-batch with an FTP source, run as a program against pyftpdlib: the output
// tree must equal that of a local run over the same images.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "engine/program_setup.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/process/program_run.h"
#include "support/ftp_test_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
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
        CodecRegistry codecs;
        registerProgramCodecs(codecs);
        const char* names[] = {"imgs/a.jpg", "imgs/b.jpg", "imgs/sub/c.jpg", "imgs/sub/deep/d.jpg"};
        for (int i = 0; i < 4; ++i) {
            ImageObject image = *createImage(80 + 8 * i, 60, 24, uint32_t(0x203040 * (i + 1)));
            for (size_t b = 0; b < image.pixels.size(); b += 5) image.pixels[b] = uint8_t(b * (i + 7));
            saveImage(image, served.write(names[i], ""), codecs, kFormatJPEG, 8);
        }
        dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90,\"EscalaGrises\":1}\r\n");
    }

    std::string remoteArguments(const std::string& extra = {}) {
        return "--config " + dir.file("job.cfg") + " --remote --server 127.0.0.1 --port " +
               std::to_string(server.port()) + " --user " + FtpTestServer::kUser +
               " --remote-folder /imgs/ --subfolders --download-to " + dir.file("down") + " --dest " +
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
    const BatchRun remote = batch(remoteArguments(" --active"), FtpTestServer::kPassword);
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

TEST_F(BatchCliRemote, TheSummaryTimesTheWholeRunWithTheScanAndTheDownloadApart) {
    ASSERT_NE(server.port(), 0);
    const BatchRun run = batch(remoteArguments(), FtpTestServer::kPassword);
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

TEST_F(BatchCliRemote, ConnectionFailuresExitTwoAndFailedFilesAreRetriedThenNamed) {
    ASSERT_NE(server.port(), 0);
    BatchRun run = batch(remoteArguments(), "wrong");
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("Error de Conexión: No se pudo conectar al servidor  '127.0.0.1'"), std::string::npos)
        << run.err;
    run = batch(remoteArguments(" --quiet"), nullptr);  // no password anywhere
    EXPECT_EQ(run.code, 2);
    // Said once, --quiet or not.
    const std::string failure = "No se pudo conectar al servidor";
    const size_t first = run.err.find(failure);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(failure, first + 1), std::string::npos) << run.err;

    // A link whose target is gone is listed but cannot be fetched.
    ASSERT_EQ(::symlink("missing.jpg", served.file("imgs/broken.jpg").c_str()), 0);
    run = batch(remoteArguments(" --quiet"), FtpTestServer::kPassword);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("skipped '/imgs/broken.jpg"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the download failed 3 times"), std::string::npos) << run.err;
    EXPECT_EQ(testing::filesUnder(dir.file("remote-out/")).size(), 4u);
    const std::string report = testing::readFile(dir.file("report.json"));
    const size_t broken = report.find("\"path\":\"/imgs/broken.jpg\"");
    ASSERT_NE(broken, std::string::npos) << report;
    EXPECT_EQ(report.find("\"reason\":\"the download failed 3 times\"", broken), report.find("\"reason\"", broken))
        << report;
}

}  // namespace
}  // namespace tesselon

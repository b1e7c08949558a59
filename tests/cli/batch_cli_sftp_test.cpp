// tesselon-batch with an SFTP source, run as a program against OpenSSH's sshd: a host
// key no file knows is refused unless --host-key names it, and the output then equals
// that of a local run.
#include <gtest/gtest.h>

#include <memory>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/process/program_run.h"
#include "support/scoped_env.h"
#include "support/sshd_test_server.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::SshdTestServer;
using testing::TempDir;

struct BatchRun {
    int code = -1;
    std::string err;
};

BatchRun batch(const std::string& arguments) {
    RunResult started = runProgram(testing::binDir() + "tesselon-batch", arguments, {}, kRunOpen | kRunReadError);
    BatchRun run;
    if (!started.run) return run;
    char buffer[4096];
    for (size_t n; (n = started.run->readError(buffer, sizeof buffer)) > 0;) run.err.append(buffer, n);
    run.code = started.run->exitCode();
    return run;
}

TEST(BatchCliSftp, AnUnknownHostKeyIsRefusedUnlessNamedThenTheOutputIsALocalRunsOutput) {
    SshdTestServer server;
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    TempDir home, served, dir;
    const char* names[] = {"imgs/a.jpg", "imgs/sub/b.jpg"};
    for (int i = 0; i < 2; ++i) {
        ImageObject image = *createImage(64 + 8 * i, 48, 24, uint32_t(0x304050 * (i + 1)));
        saveImage(image, served.write(names[i], ""), *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
    }
    ASSERT_EQ(server.serve(served.path()), "");
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90}\r\n");
    testing::ScopedEnv noKnownHosts{"HOME", home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", server.password()};
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};
    const std::string arguments = "--config " + dir.file("job.cfg") + " --remote --protocol sftp --server 127.0.0.1 --port " +
                                  std::to_string(server.port()) + " --user " + SshdTestServer::kUser +
                                  " --remote-folder " + served.path() + "imgs/ --subfolders --download-to " +
                                  dir.file("down") + " --dest " + dir.file("remote-out");

    BatchRun run = batch(arguments);
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("is not known: " + server.fingerprint()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--host-key " + server.fingerprint()), std::string::npos) << run.err;
    // Another key named is no licence for this one.
    run = batch(arguments + " --host-key SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_TRUE(testing::filesUnder(dir.file("down/")).empty());

    run = batch(arguments + " --host-key " + server.fingerprint());
    ASSERT_EQ(run.code, 0) << run.err;
    const BatchRun local = batch("--config " + dir.file("job.cfg") + " --source " + served.file("imgs") +
                                 " --subfolders --dest " + dir.file("local-out"));
    ASSERT_EQ(local.code, 0) << local.err;
    const auto fromServer = testing::filesUnder(dir.file("remote-out/"));
    const auto fromDisk = testing::filesUnder(dir.file("local-out/"));
    ASSERT_EQ(fromDisk.size(), 2u);
    ASSERT_EQ(fromServer.size(), 2u);
    // The download folder holds the remote tree: the results keep its folders.
    const std::string prefix = served.path().substr(1) + "imgs/";
    for (const auto& [name, bytes] : fromDisk) {
        ASSERT_EQ(fromServer.count(prefix + name), 1u) << name;
        EXPECT_TRUE(fromServer.at(prefix + name) == bytes) << name << " differs";
    }
}

}  // namespace
}  // namespace tesselon

// tesselon-batch with an FTPS source, run as a program against vsftpd: a certificate
// that does not verify is refused (exit 2) before the login unless --pin-sha256 names
// it; trusted, the output equals that of a local run.
#include <gtest/gtest.h>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/process/program_run.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "support/vsftpd_test_server.h"

namespace tesselon {
namespace {

using testing::TempDir;
using testing::VsftpdTestServer;

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

// "ab:cd:..." as openssl prints fingerprints, upper case.
std::string withColons(const std::string& hex) {
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) text += (i ? ":" : "") + hex.substr(i, 2);
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(BatchCliFtps, AnUntrustedCertificateIsRefusedUnlessPinnedThenTheOutputIsALocalRunsOutput) {
    TempDir served, dir;
    const char* names[] = {"imgs/a.jpg", "imgs/sub/b.jpg"};
    for (int i = 0; i < 2; ++i) {
        ImageObject image = *createImage(64 + 8 * i, 48, 24, uint32_t(0x304050 * (i + 1)));
        saveImage(image, served.write(names[i], ""), *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
    }
    VsftpdTestServer server(served.path());
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90}\r\n");
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", "secreto"};
    testing::ScopedEnv noCaFile{"TESSELON_CA_FILE", ""};
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};
    const std::string arguments = "--config " + dir.file("job.cfg") + " --remote --protocol ftps --server 127.0.0.1 --port " +
                                  std::to_string(server.port()) + " --user " + VsftpdTestServer::kUser +
                                  " --remote-folder /imgs/ --subfolders --passive --download-to " + dir.file("down") +
                                  " --dest " + dir.file("remote-out");

    BatchRun run = batch(arguments);
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("--pin-sha256 " + server.fingerprint()), std::string::npos) << run.err;
    // Another certificate's pin is no licence for this one.
    run = batch(arguments + " --pin-sha256 " + std::string(64, 'e'));
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_EQ(server.commandsLog().find("USER"), std::string::npos) << server.commandsLog();
    EXPECT_TRUE(testing::filesUnder(dir.file("down/")).empty());
    run = batch(arguments + " --pin-sha256 12:34");
    EXPECT_NE(run.err.find("--pin-sha256 must be"), std::string::npos) << run.err;

    // Pinned as openssl prints it, or trusted through its authority: the same result.
    run = batch(arguments + " --pin-sha256 " + withColons(server.fingerprint()));
    ASSERT_EQ(run.code, 0) << run.err;
    // The pin held for that run only.
    EXPECT_EQ(batch(arguments).code, 2);
    run = batch(arguments + " --ca-file " + server.caFile() + " --dest " + dir.file("ca-out"));
    ASSERT_EQ(run.code, 0) << run.err;

    const BatchRun local = batch("--config " + dir.file("job.cfg") + " --source " + served.file("imgs") +
                                 " --subfolders --dest " + dir.file("local-out"));
    ASSERT_EQ(local.code, 0) << local.err;
    const auto fromDisk = testing::filesUnder(dir.file("local-out/"));
    ASSERT_EQ(fromDisk.size(), 2u);
    for (const char* out : {"remote-out/", "ca-out/"}) {
        const auto fromServer = testing::filesUnder(dir.file(out));
        ASSERT_EQ(fromServer.size(), 2u) << out;
        for (const auto& [name, bytes] : fromDisk) {
            ASSERT_EQ(fromServer.count("imgs/" + name), 1u) << out << name;
            EXPECT_TRUE(fromServer.at("imgs/" + name) == bytes) << out << name << " differs";
        }
    }
}

}  // namespace
}  // namespace tesselon

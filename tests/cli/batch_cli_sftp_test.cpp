// tesselon-batch with an SFTP source, run as a program against OpenSSH's sshd: a host
// key no file knows is refused unless --host-key names it, and the output then equals
// that of a local run.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "cli_test_support.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/process/program_run.h"
#include "support/python_sftp_server.h"
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

// The arguments of a run with `job` over SFTP from 127.0.0.1:`port`, the key named.
std::string sftpArguments(const std::string& job, uint16_t port, const std::string& user,
                          const std::string& fingerprint) {
    return "--config " + job + " --remote --protocol sftp --server 127.0.0.1 --port " + std::to_string(port) +
           " --user " + user + " --host-key " + fingerprint;
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

// A chrooted account, as hosts give for SFTP only: its images sit at "/", each remote
// path has one part, and each is converted as a local run converts it.
TEST(BatchCliSftp, ImagesAtAChrootedAccountsTopAreConverted) {
    SshdTestServer server(SshdTestServer::Login::Password, SshdTestServer::Root::Chrooted);
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    TempDir home, dir;
    const std::string top = server.chrootFolder() + "top.jpg";
    ImageObject image = *createImage(72, 40, 24, 0x5060a0);
    saveImage(image, top, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
    std::filesystem::permissions(top, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    std::filesystem::copy_file(top, dir.write("local/top.jpg", ""), std::filesystem::copy_options::overwrite_existing);
    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90}\r\n");
    testing::ScopedEnv noKnownHosts{"HOME", home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", server.password()};
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};

    const BatchRun run = batch(sftpArguments(dir.file("job.cfg"), server.port(), SshdTestServer::kUser,
                                             server.fingerprint()) +
                               " --remote-folder / --subfolders --download-to " + dir.file("down") + " --dest " +
                               dir.file("remote-out"));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(testing::readFile(dir.file("down/top.jpg")) == testing::readFile(top));
    const BatchRun local = batch("--config " + dir.file("job.cfg") + " --source " + dir.file("local") + " --dest " +
                                 dir.file("local-out"));
    ASSERT_EQ(local.code, 0) << local.err;
    const auto fromServer = testing::filesUnder(dir.file("remote-out/"));
    ASSERT_EQ(fromServer.size(), 1u);
    ASSERT_EQ(fromServer.count("top.jpg"), 1u);
    EXPECT_TRUE(fromServer.at("top.jpg") == testing::readFile(dir.file("local-out/top.jpg")));
}

// Entries of the server that are no files (a link, devices, a FIFO, a socket), each
// named like an image and answering reads with one, are never fetched: each is named
// with the reason, as a local run names such a file, and the run fails; the regular
// file beside them is converted.
TEST(BatchCliSftp, LinksDevicesFifosAndSocketsAreSkippedWithTheReason) {
    TempDir home, dir;
    ImageObject image = *createImage(64, 48, 24, 0x406080);
    const std::string imageFile = dir.file("image.jpg");
    saveImage(image, imageFile, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8)});
    testing::PythonSftpServer server("odd_files_sftp_server.py", {imageFile, dir.file("server.log")});
    ASSERT_NE(server.port(), 0) << "python3-paramiko is needed";
    testing::ScopedEnv noKnownHosts{"HOME", home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", testing::PythonSftpServer::kPassword};
    testing::ScopedEnv lsan{"LSAN_OPTIONS", "suppressions=" + dir.write("lsan.supp", "leak:libfontconfig.so\n")};

    dir.write("job.cfg", "[ProcesosImage]\r\n{\"Rotar\":90}\r\n");
    const BatchRun run = batch(sftpArguments(dir.file("job.cfg"), server.port(), testing::PythonSftpServer::kUser,
                                             server.fingerprint()) +
                               " --remote-folder /odd --download-to " + dir.file("down") + " --dest " +
                               dir.file("out") + " --report " + dir.file("report.json"));
    EXPECT_EQ(run.code, 1) << run.err;
    for (const char* name : {"link.jpg", "chr.jpg", "blk.jpg", "fifo.jpg", "sock.jpg"}) {
        EXPECT_NE(run.err.find("failed '/odd/" + std::string(name) +
                               "': not downloaded: not a regular file on the server"),
                  std::string::npos)
            << name << "\n" << run.err;
    }
    EXPECT_EQ(testing::readFile(dir.file("server.log")), "OPEN /odd/plain.jpg\n");
    const auto downloaded = testing::filesUnder(dir.file("down/"));
    ASSERT_EQ(downloaded.size(), 1u);
    EXPECT_EQ(downloaded.count("odd/plain.jpg"), 1u);
    const auto results = testing::filesUnder(dir.file("out/"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.count("odd/plain.jpg"), 1u);
    EXPECT_NE(testing::readFile(dir.file("report.json")).find("not a regular file on the server"), std::string::npos);
}

// One served image and the arguments that fetch it into `dir`, run in-process with
// `program` as the program folder.
struct SftpJob {
    SshdTestServer server;
    TempDir home, served, dir, program;
    std::vector<std::string> args;

    std::string setUp() {
        if (!server.skipReason().empty()) return server.skipReason();
        testing::writeImages(served, "imgs", 1);
        if (std::string problem = server.serve(served.path()); !problem.empty()) return problem;
        args = {"--remote", "--protocol", "sftp", "--server", "127.0.0.1", "--port", std::to_string(server.port()),
                "--user", SshdTestServer::kUser, "--remote-folder", served.path() + "imgs/", "--download-to",
                dir.file("down"), "--dest", dir.file("out")};
        return {};
    }
    testing::CliRun run(std::vector<std::string> more = {}) {
        more.insert(more.begin(), args.begin(), args.end());
        return testing::cli(more, program);
    }
};

// --host-key is a licence for the run that names it, as --pin-sha256 is: nothing is
// written, and the next run without it is asked again.
TEST(BatchCliSftp, AHostKeyNamedOnTheCommandLineIsTrustedForThatRunOnly) {
    SftpJob job;
    if (const std::string skip = job.setUp(); !skip.empty()) GTEST_SKIP() << skip;
    testing::ScopedEnv noKnownHosts{"HOME", job.home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", job.server.password()};

    testing::CliRun run = job.run({"--host-key", job.server.fingerprint()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(testing::resultsUnder(job.dir.file("out/")).size(), 1u);
    EXPECT_TRUE(testing::filesUnder(job.program.path()).empty());
    EXPECT_TRUE(testing::filesUnder(job.home.path()).empty());

    run = job.run();
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("is not known: " + job.server.fingerprint()), std::string::npos) << run.err;
}

// The old key for the host sits in a known_hosts file too large to read: a key named
// on the command line must not pass for a new host's, and the file is named.
TEST(BatchCliSftp, AKnownHostsFileThatCannotBeReadIsNamedAndEveryHostRefused) {
    SftpJob job;
    if (const std::string skip = job.setUp(); !skip.empty()) GTEST_SKIP() << skip;
    testing::ScopedEnv home{"HOME", job.home.path()};
    testing::ScopedEnv password{"TESSELON_FTP_PASSWORD", job.server.password()};
    const std::string other = testing::makeSshKey(job.dir.file("other_key"));
    ASSERT_FALSE(other.empty());
    const std::string knownHosts = job.home.write(
        ".ssh/known_hosts", "[127.0.0.1]:" + std::to_string(job.server.port()) + " " + other + "\n");
    std::filesystem::resize_file(knownHosts, 17u << 20);

    testing::CliRun run = job.run({"--host-key", job.server.fingerprint()});
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("the known-hosts file '" + knownHosts + "' is larger than 16 MiB"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Every SFTP server is refused"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("cannot connect"), std::string::npos) << run.err;
    EXPECT_TRUE(testing::filesUnder(job.dir.file("down/")).empty());

    std::filesystem::remove(knownHosts);
    std::filesystem::create_directory(knownHosts);
    run = job.run({"--host-key", job.server.fingerprint()});
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("the known-hosts file '" + knownHosts + "' is not a regular file"), std::string::npos)
        << run.err;

    // Mended: the old key, readable again, is a changed key whatever the option says.
    std::filesystem::remove(knownHosts);
    job.home.write(".ssh/known_hosts", "[127.0.0.1]:" + std::to_string(job.server.port()) + " " + other + "\n");
    run = job.run({"--host-key", job.server.fingerprint()});
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("has changed"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tesselon

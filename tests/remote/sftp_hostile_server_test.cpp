// The walk against a server that lies (tests/support/hostile_sftp_server.py): names
// that would leave their folder, and subfolders that resolve to folders already walked.
#include <gtest/gtest.h>

#include <optional>

#include "remote/sftp/sftp_scan.h"
#include "runtime/fs/file_system.h"
#include "runtime/process/program_run.h"
#include "support/sshd_test_server.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

class HostileSftpServer {
public:
    explicit HostileSftpServer(const testing::TempDir& scratch) {
        const std::string key = scratch.file("host_key");
        if (testing::makeSshKey(key).empty()) return;
        run_ = std::move(runProgramArguments({"/usr/bin/python3",
                                              testing::sourceDir() + "tests/support/hostile_sftp_server.py", key,
                                              "tester", "pw"},
                                             {}, kRunOpen | kRunReadOutput | kRunWriteInput)
                             .run);
        if (!run_) return;
        for (int i = 0; i < 2; ++i) {
            std::string line;
            char c = 0;
            while (run_->readOutput(&c, 1) == 1 && c != '\n') line += c;
            if (line.rfind("PORT ", 0) == 0) port = std::stoi(line.substr(5));
            if (line.rfind("FINGERPRINT ", 0) == 0) fingerprint = line.substr(12);
        }
    }
    ~HostileSftpServer() {
        if (run_) run_->exitCode();  // closes its input, which ends it
    }

    int port = 0;
    std::string fingerprint;

private:
    std::unique_ptr<ProgramRun> run_;
};

// A connection to a fresh hostile server, its key accepted.
class SftpHostileServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server.port, 0) << "python3-paramiko is needed";
        SftpConnectOptions o;
        o.host = "127.0.0.1";
        o.port = server.port;
        o.user = "tester";
        o.password = "pw";
        o.knownHosts.accepted = scratch.file("known_hosts");
        o.acceptedFingerprint = server.fingerprint;
        o.timeouts.idle = std::chrono::seconds(5);
        SftpConnectResult connected = SftpConnection::connect(o);
        ASSERT_EQ(connected.failure, SftpFailure::None);
        connection = std::move(connected.connection);
    }

    testing::TempDir scratch;
    HostileSftpServer server{scratch};
    std::optional<SftpConnection> connection;
};

TEST_F(SftpHostileServer, NamesThatLeaveTheirFolderAndFoldersReachedTwiceAreNotWalked) {
    const SftpScanResult result = scanSftpFolder(*connection, "/hostile", {});
    EXPECT_EQ(result.failure, SftpFailure::None);
    std::vector<std::string> paths;
    for (const SftpScanFile& file : result.files) paths.push_back(file.path);
    // "self" and "deeper/again" are /hostile again: walked once, so each file comes once.
    EXPECT_EQ(paths, (std::vector<std::string>{"/hostile/deeper/deep.jpg", "/hostile/ok.jpg"}));
    std::vector<std::pair<std::string, ListedNameProblem>> refused;
    for (const SftpScanProblem& problem : result.problems) {
        EXPECT_EQ(problem.failure, SftpFailure::UnsafeName);
        refused.emplace_back(problem.name, problem.nameProblem);
    }
    EXPECT_EQ(refused, (std::vector<std::pair<std::string, ListedNameProblem>>{
                           {"a/b.jpg", ListedNameProblem::Separator},
                           {"/etc/abs.jpg", ListedNameProblem::Absolute},
                           {"../up.jpg", ListedNameProblem::ClimbsOut}}));

    // A root the server resolves to a path that climbs out is not walked at all.
    const SftpScanResult escape = scanSftpFolder(*connection, "/escape", {});
    EXPECT_EQ(escape.failure, SftpFailure::UnsafeName);
    EXPECT_TRUE(escape.files.empty());
}

// Many reads are in flight at once; a server that answers them short in the middle of
// the file must still give the file whole and in order, with its listed size or without.
TEST_F(SftpHostileServer, ReadsAnsweredShortStillGiveTheWholeFileInOrder) {
    std::string expected(150'000, '\0');
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = char((i * 7 + i / 251) % 256);

    SftpDownloadOptions listed;
    listed.listedSize = expected.size();
    EXPECT_EQ(connection->download("/short.jpg", scratch.file("listed.jpg"), listed), SftpFailure::None);
    EXPECT_TRUE(testing::readFile(scratch.file("listed.jpg")) == expected);
    EXPECT_EQ(connection->download("/short.jpg", scratch.file("unlisted.jpg")), SftpFailure::None);
    EXPECT_TRUE(testing::readFile(scratch.file("unlisted.jpg")) == expected);
    listed.listedSize = expected.size() - 1;
    EXPECT_EQ(connection->download("/short.jpg", scratch.file("over.jpg"), listed), SftpFailure::OverBound);
    EXPECT_EQ(fileSize(scratch.file("over.jpg")), kFileMissing);
}

}  // namespace
}  // namespace tesselon

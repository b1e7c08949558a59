// The client against a real server: pyftpdlib on 127.0.0.1, passive and active.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "remote/create_remote_path.h"
#include "remote/ftp_sessions.h"
#include "support/ftp_test_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpTestServer;
using testing::TempDir;

int64_t waitForTransfer(FtpSessionTable& sessions, FtpID id) {
    for (int i = 0; i < 3000; ++i) {
        const int64_t p = ftpProgress(sessions, id);
        if (p == kFtpTransferDone || p == kFtpTransferFailed) return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

std::vector<std::pair<std::string, int64_t>> listAll(FtpSessionTable& sessions, FtpID id) {
    std::vector<std::pair<std::string, int64_t>> out;
    while (ftpNextEntry(sessions, id)) {
        out.emplace_back(ftpEntryName(sessions, id) + (ftpEntryType(sessions, id) == 2 ? "/" : ""),
                         ftpEntrySize(sessions, id));
    }
    return out;
}

class FtpClientServer : public ::testing::TestWithParam<bool> {
protected:
    FtpClientServer() : server(served.path()) {}

    FtpID connect(std::string_view password = FtpTestServer::kPassword) {
        return ftpConnect(sessions, "127.0.0.1", FtpTestServer::kUser, password, GetParam(), server.port());
    }

    TempDir served;
    TempDir local;
    FtpTestServer server;
    FtpSessionTable sessions;
};

TEST_P(FtpClientServer, WalksListsMakesFoldersAndMovesFilesBothWays) {
    ASSERT_NE(server.port(), 0);
    served.write("fotos/a b.jpg", std::string(70000, 'a'));
    served.write("fotos/sub/c.png", "png");
    const FtpID id = connect();
    ASSERT_NE(id, 0);
    EXPECT_TRUE(ftpCheck(sessions, id));
    EXPECT_EQ(ftpCurrentDir(sessions, id), "/");

    ASSERT_TRUE(ftpChangeDir(sessions, id, "fotos"));
    EXPECT_EQ(ftpCurrentDir(sessions, id), "/fotos");
    ASSERT_EQ(ftpList(sessions, id), FtpListOutcome::Complete);
    auto entries = listAll(sessions, id);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::pair<std::string, int64_t>>{{"a b.jpg", 70000}, {"sub/", entries[1].second}}));
    EXPECT_FALSE(ftpChangeDir(sessions, id, "missing"));
    EXPECT_TRUE(ftpChangeDir(sessions, id, ".."));
    EXPECT_EQ(ftpCurrentDir(sessions, id), "/");

    // Download: -1 at once, -3 at the end, the file whole under its name and nothing else.
    const std::string target = local.file("a b.jpg");
    ASSERT_TRUE(ftpDownload(sessions, id, "/fotos/a b.jpg", target, 70000));
    EXPECT_EQ(waitForTransfer(sessions, id), kFtpTransferDone);
    EXPECT_EQ(testing::readFile(target), std::string(70000, 'a'));
    EXPECT_EQ(testing::filesUnder(local.path()).size(), 1u);
    // A refused RETR fails and leaves nothing behind.
    ASSERT_TRUE(ftpDownload(sessions, id, "/fotos/none.jpg", local.file("none.jpg"), 5));
    EXPECT_EQ(waitForTransfer(sessions, id), kFtpTransferFailed);
    EXPECT_EQ(testing::filesUnder(local.path()).size(), 1u);
    EXPECT_TRUE(ftpCheck(sessions, id));

    // createRemotePath makes each missing folder and ends inside the last one.
    ASSERT_TRUE(createRemotePath(sessions, id, "/up/load/"));
    EXPECT_EQ(ftpCurrentDir(sessions, id), "/up/load");
    EXPECT_TRUE(ftpUpload(sessions, id, target, "copy.jpg"));
    EXPECT_EQ(ftpProgress(sessions, id), kFtpTransferDone);
    EXPECT_EQ(testing::readFile(served.file("up/load/copy.jpg")), std::string(70000, 'a'));
    EXPECT_FALSE(ftpUpload(sessions, id, local.file("absent"), "x.jpg"));

    ftpClose(sessions, id);
    EXPECT_FALSE(ftpIsOpen(sessions, id));
    EXPECT_EQ(ftpList(sessions, id), FtpListOutcome::NotStarted);
}

TEST_P(FtpClientServer, SeveralSessionsAtOnceAndWrongPasswordsRefused) {
    ASSERT_NE(server.port(), 0);
    EXPECT_EQ(connect("wrong"), 0);
    const FtpID first = connect();
    const FtpID second = connect();
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);
    EXPECT_TRUE(ftpChangeDir(sessions, first, "/"));
    EXPECT_TRUE(ftpMakeDir(sessions, second, "made"));
    EXPECT_EQ(std::filesystem::is_directory(served.file("made")), true);
    sessions.closeAll();
    EXPECT_EQ(sessions.size(), 0u);
    EXPECT_FALSE(ftpCheck(sessions, first));
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpClientServer, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

}  // namespace
}  // namespace tesselon

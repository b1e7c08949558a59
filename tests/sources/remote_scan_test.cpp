#include <gtest/gtest.h>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/scan_images.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Strings = std::vector<std::string>;

class RemoteScan : public ::testing::Test {
protected:
    RemoteScan() : ui(state) {}
    AppState state;
    ScanFrontend ui;
};

TEST_F(RemoteScan, SubfoldersFirstThenTheFolderOwnImagesAndTheSessionStaysOpen) {
    testing::TempDir served;
    served.write("fotos/x.jpg", "xx");
    served.write("fotos/photo.JPEG", "x");
    served.write("fotos/skip.png", "x");
    served.write("fotos/s/y.jpg", "yyy");
    served.write("fotos/s/t/z.jpg", "z");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/fotos/");

    scanImages(state, true);

    Strings paths = pathsOf(state.SourceImageList.entries);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], "/fotos/s/t/z.jpg");
    EXPECT_EQ(paths[1], "/fotos/s/y.jpg");
    std::sort(paths.begin() + 2, paths.end());
    EXPECT_EQ(paths[2], "/fotos/photo.JPEG");
    EXPECT_EQ(paths[3], "/fotos/x.jpg");
    EXPECT_EQ(state.SourceImageList.entries[1].size, 3);
    const STRProcesosEntorno& env = state.settings.entorno;
    EXPECT_EQ(env.TotalImagesOrigen, 4);
    EXPECT_EQ(env.UltimoEscaneoImagenesLocalRemoto, "R");
    EXPECT_NE(env.FtpID, 0);
    EXPECT_TRUE(ftpCheck(ftpSessions(state), env.FtpID));
    EXPECT_EQ(ftpCurrentDir(ftpSessions(state), env.FtpID), "/fotos");
    EXPECT_TRUE(ui.messages.empty());

    // Without subfolders only the folder's own images; the earlier scan's session ends.
    scanImages(state, false);
    EXPECT_EQ(state.SourceImageList.size(), 2u);
    EXPECT_EQ(ftpSessions(state).size(), 1u);
}

TEST_F(RemoteScan, FailuresGoToTheStatusLine) {
    testing::TempDir served;
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/missing/", "wrong");
    scanImages(state, true);
    EXPECT_EQ(state.settings.entorno.FtpID, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error de Conexión");
    EXPECT_EQ(ui.statusLines.back(),
              "Error de Conexión. No se pudo conectar al servidor \r\n\r\n'127.0.0.1'\r\n\r\n");
    EXPECT_EQ(state.settings.entorno.UltimoEscaneoImagenesLocalRemoto, "R");

    useFtpSource(state, server.port(), "/missing/");
    scanImages(state, true);
    EXPECT_EQ(ui.statusLines.back(), "ERROR: Imposible cambiar al directorio: /missing");
    EXPECT_FALSE(ui.statusHidden);
    EXPECT_TRUE(state.SourceImageList.empty());
}

// A hostile listing: names that would leave the download folder are dropped and
// counted; the rest come out in the reverse order of the lines.
TEST_F(RemoteScan, UnsafeNamesAreSkippedAndCounted) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");              // CWD /up/ of the connection test
        c.answer("550 relative walk\r\n");   // CWD up
        c.answer("257 \"/up\" is current\r\n");
        c.answerPassive();
        c.answer("150 list\r\n");
        testing::sendAndClose(c.acceptData(),
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 b.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 ../../evil.jpg\r\n"
                              "-rw-r--r-- 1 o g 1 Jan 1 2020 back\\slash.jpg\r\n"
                              "drwxr-xr-x 2 o g 0 Jan 1 2020 ..\r\n"
                              "-rw-r--r-- 1 o g 2 Jan 1 2020 a.jpg\r\n");
        c.send("226 done\r\n");
        c.answer("257 \"/up\" is current\r\n");
    });
    useFtpSource(state, server.port(), "/up/");
    scanImages(state, false);
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), (Strings{"/up/a.jpg", "/up/b.jpg"}));
    EXPECT_EQ(ui.statusLines.back(), "Se omitieron 2 nombres del servidor que no pueden ser un archivo local");
}

}  // namespace
}  // namespace tesselon

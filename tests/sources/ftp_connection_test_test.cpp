#include <gtest/gtest.h>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/ftp_connection_test.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpTestServer;
using testing::scan::ScanFrontend;

class FtpConnectionTest : public ::testing::Test {
protected:
    FtpConnectionTest() : ui(state), server(served.path()) {
        state.ProgramFolder = program.path();
        testing::scan::useFtpSource(state, server.port(), "");
    }

    FtpConnectionData data(const std::string& folder, const std::string& password = FtpTestServer::kPassword) {
        FtpConnectionData d = storedFtpConnection(state);
        d.folder = folder;
        d.password = protectPassword(password);
        return d;
    }

    AppState state;
    ScanFrontend ui;
    testing::TempDir program;
    testing::TempDir served;
    FtpTestServer server;
};

TEST_F(FtpConnectionTest, TellsWhetherItConnectedAndWhetherTheFolderIsValid) {
    ASSERT_NE(server.port(), 0);
    served.write("fotos/a.jpg", "a");
    std::string result = testFtpConnection(state, data("/fotos"), {});
    EXPECT_EQ(result, "0|Conexión con éxito. La conexión se ha realizado correctamente\r\nRuta '/fotos' es válida");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Conexión con éxito");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(ftpSessions(state).size(), 0u);

    result = testFtpConnection(state, data(" /nada "), {true, true, false});
    EXPECT_NE(testResultHandle(result), 0);
    EXPECT_NE(result.find("Ruta '/nada' es errónea"), std::string::npos);
    EXPECT_EQ(ui.messages.size(), 1u);  // silent
    EXPECT_EQ(ftpSessions(state).size(), 1u);

    // A failed login is shown even to a silent caller.
    result = testFtpConnection(state, data("/fotos", "bad"), {true, true, false});
    EXPECT_EQ(result, "0|Error de Conexión. No se pudo conectar al servidor \r\n\r\n'127.0.0.1'\r\n\r\n");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].icon, MessageIcon::Error);
}

TEST_F(FtpConnectionTest, UploadsTheTestPackOnlyIntoAFolderItHadToMake) {
    ASSERT_NE(server.port(), 0);
    program.write("_FTPimg/one.jpg", "1");
    program.write("_FTPimg/sub/two.PNG", "22");
    program.write("_FTPimg/notes.txt", "no");
    served.write("exists/keep.jpg", "k");

    std::string result = testFtpConnection(state, data("/exists"), {false, true, true});
    EXPECT_NE(result.find("es válida"), std::string::npos);
    EXPECT_EQ(testing::filesUnder(served.file("exists/")).size(), 1u);

    result = testFtpConnection(state, data("/new/pack"), {false, true, true});
    EXPECT_NE(result.find("Ruta '/new/pack' es válida"), std::string::npos);
    EXPECT_EQ(testing::filesUnder(served.file("new/pack/")),
              (std::map<std::string, std::string>{{"one.jpg", "1"}, {"sub/two.PNG", "22"}}));
    EXPECT_EQ(ui.progressTexts.back(), "Subiendo imagenes...\r\n(2 de 2)");
    EXPECT_FALSE(ui.progressOpen);
}

}  // namespace
}  // namespace tesselon

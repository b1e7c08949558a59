#include <gtest/gtest.h>

#include <filesystem>

#include "remote_test_support.h"
#include "scan_test_support.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"
#include "support/scripted_ftp_server.h"
#include "support/tree_ftp_server.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::FtpConversation;
using testing::ScriptedFtpServer;
using testing::scan::ScanFrontend;
using testing::scan::useFtpSource;
using Files = std::map<std::string, std::string>;

class RemoteDownload : public ::testing::Test {
protected:
    RemoteDownload() : ui(state) { state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R"; }

    void listRemote(std::initializer_list<std::pair<const char*, int64_t>> entries) {
        for (const auto& [path, size] : entries) {
            SourceImageEntry& e = state.SourceImageList.entries.emplace_back();
            e.path = path;
            e.size = size;
        }
    }

    std::string download() { return downloadRemoteImages(state, local.path() + "bajadas", {}); }

    AppState state;
    ScanFrontend ui;
    testing::TempDir served;
    testing::TempDir local;
};

TEST_F(RemoteDownload, FetchesEveryImageIntoTheRemoteLayoutAndOffersTheFolder) {
    served.write("up/2020/a.jpg", std::string(100000, 'a'));
    served.write("up/b.jpg", "bb");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    scanImages(state, true);
    ASSERT_EQ(state.SourceImageList.size(), 2u);

    const std::string result = download();
    EXPECT_EQ(result, "0|Descarga de archivos completa y sin errores");
    EXPECT_EQ(testing::filesUnder(local.path()),
              (Files{{"bajadas/up/2020/a.jpg", std::string(100000, 'a')}, {"bajadas/up/b.jpg", "bb"}}));
    EXPECT_EQ(state.settings.entorno.RutaEnLocalDeRemotoDescargadas, local.path() + "bajadas");
    EXPECT_EQ(ftpSessions(state).size(), 0u);
    EXPECT_TRUE(ui.mainEnabled);
    EXPECT_FALSE(ui.progressOpen);

    ui.answers = {MessageAnswer::No};
    showDownloadResult(state, result, local.path());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Descarga desde FTP OK");
    EXPECT_EQ(ui.messages[0].text, "Descarga de archivos completa y sin errores\r\n¿Abrir la carpeta de descarga?");
}

TEST_F(RemoteDownload, AFailedFileIsRetriedSkippedOrEndsTheDownload) {
    served.write("up/a.jpg", "a");
    served.write("up/c.jpg", "c");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    listRemote({{"/up/a.jpg", 1}, {"/up/missing.jpg", 5}, {"/up/c.jpg", 1}});

    ui.answers = {MessageAnswer::Yes, MessageAnswer::No};
    EXPECT_EQ(download(), "0|Descarga completa con errores; 1 archivos no se descargaron.");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].title, "Error de descarga de archivo");
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::RetrySkipCancel);
    EXPECT_EQ(ui.messages[0].text,
              "No se pudo descargar '/up/missing.jpg'\r\n\r\n¿Reintentar u omitir este archivo?\r\n\r\n(Si pulsas "
              "cancelar la descarga se detendrá por completo)");
    EXPECT_EQ(testing::filesUnder(local.path()), (Files{{"bajadas/up/a.jpg", "a"}, {"bajadas/up/c.jpg", "c"}}));

    ui.answers = {MessageAnswer::Cancel};
    EXPECT_EQ(download(), "1|Descarga de archivos incompleta; Operación Cancelada por usuario");
    EXPECT_EQ(state.settings.config.Cancelado, 1);
}

TEST_F(RemoteDownload, RefusesWithoutAListOrAfterALocalScanUnlessRescanned) {
    EXPECT_EQ(download(), "");  // a local source downloads nothing
    useFtpSource(state, 1, "/up/");
    EXPECT_EQ(download(), "1|La lista de imágenenes está vacía. Asegúrate de que la ha actualizado.");

    state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "L";
    listRemote({{"/up/a.jpg", 1}});
    ui.answers = {MessageAnswer::No};
    const std::string result = download();
    EXPECT_EQ(result.rfind("1|La última lista de imágenes escaneada corresponde a una carpeta local", 0), 0u);
    EXPECT_EQ(ui.messages[0].title, "Aviso");
    EXPECT_EQ(ftpSessions(state).size(), 0u);
}

TEST_F(RemoteDownload, NothingIsWrittenOutsideTheChosenFolder) {
    served.write("up/a.jpg", "a");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    EXPECT_EQ(downloadTarget("/d/", "/up/../../etc/x.jpg"), "");
    EXPECT_EQ(downloadTarget("/d/", "/up/a.jpg"), "/d/up/a.jpg");

    // A list holding a path with ".." skips it; a link in the folder pointing out is refused.
    listRemote({{"/up/../../../a.jpg", 1}});
    EXPECT_EQ(download(), "0|Descarga completa con errores; 1 archivos no se descargaron.");
    std::filesystem::create_directories(local.file("outside"));
    std::filesystem::create_directories(local.file("bajadas"));
    std::filesystem::create_directory_symlink(local.file("outside"), local.file("bajadas/up"));
    state.SourceImageList.clear();
    listRemote({{"/up/a.jpg", 1}, {"/up/2020/b.jpg", 1}});
    EXPECT_EQ(download().rfind("1|Descarga con Fallos; No se pudo crear carpeta", 0), 0u);
    // Not even an empty folder is made where the link leads.
    EXPECT_TRUE(std::filesystem::is_empty(local.file("outside")));
}

TEST_F(RemoteDownload, AFolderSwappedForALinkMidDownloadReceivesNothing) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) served.write(std::string("up/sub/") + name, name);
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    useFtpSource(state, server.port(), "/up/");
    listRemote({{"/up/sub/a.jpg", 5}, {"/up/sub/b.jpg", 5}, {"/up/sub/c.jpg", 5}});
    std::filesystem::create_directories(local.file("outside"));
    const std::string sub = local.file("bajadas/up/sub");
    bool swapped = false;
    ui.whilePausing = [&] {
        if (swapped || !std::filesystem::exists(sub + "/a.jpg")) return;
        swapped = true;
        std::filesystem::rename(sub, sub + ".before");
        std::filesystem::create_directory_symlink(local.file("outside"), sub);
    };
    EXPECT_EQ(download(), "1|Descarga con Fallos; No se pudo crear carpeta \r\n'" + sub + "/'");
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(std::filesystem::is_empty(local.file("outside")));
    EXPECT_EQ(testing::filesUnder(sub + ".before/"), (Files{{"a.jpg", "a.jpg"}}));
}

TEST_F(RemoteDownload, AStalledTransferFailsAndLeavesNoPartialFile) {
    ScriptedFtpServer server([](FtpConversation& c) {
        c.login();
        c.answer("250 ok\r\n");  // CWD of the connection test
        c.answerPassive();
        c.answer("150 sending\r\n");
        FileDescriptor data = c.acceptData();
        writeAll(data.get(), "part", 4);
        c.command();  // held open, silent, until the client gives up
    });
    useFtpSource(state, server.port(), "/up/");
    ftpSessions(state).timeoutSeconds = 1;
    listRemote({{"/up/big.jpg", 1000}});
    ui.answers = {MessageAnswer::No};
    EXPECT_EQ(download(), "0|Descarga completa con errores; 1 archivos no se descargaron.");
    EXPECT_TRUE(testing::filesUnder(local.path()).empty());
}

// A file that passes its listed size, or ends short of it, fails without leaving a
// file; a server that then says nothing loses its session, and the next file is
// fetched over a fresh one.
TEST_F(RemoteDownload, FilesAreHeldToTheirListedSizes) {
    testing::TreeFtpServer server;
    server.list = [](const std::string& folder) -> std::optional<testing::TreeFtpServer::Transfer> {
        if (folder != "/" && folder != "/up") return std::nullopt;
        return testing::TreeFtpServer::Transfer{};
    };
    server.retrieve = [](const std::string& path) -> std::optional<testing::TreeFtpServer::Transfer> {
        using Transfer = testing::TreeFtpServer::Transfer;
        if (path == "/up/endless.jpg") return Transfer{std::string(8192, 'e'), true, "426 aborted\r\n"};
        if (path == "/up/short.jpg") return Transfer{std::string(20, 's')};
        if (path == "/up/silent.jpg") return Transfer{std::string(8192, 'e'), true, ""};
        if (path == "/up/fine.jpg") return Transfer{std::string(411, 'f')};
        if (path == "/up/huge.jpg") return Transfer{std::string(8192, 'h'), true};
        return std::nullopt;
    };
    server.start();
    useFtpSource(state, server.port(), "/up/");
    ftpSessions(state).timeoutSeconds = 1;
    // A size beyond any image the program reads is not even asked for.
    listRemote({{"/up/huge.jpg", int64_t(1) << 40}, {"/up/endless.jpg", 411}, {"/up/short.jpg", 411},
                {"/up/silent.jpg", 411}, {"/up/fine.jpg", 411}});
    ui.answers = {MessageAnswer::No, MessageAnswer::No, MessageAnswer::No, MessageAnswer::No};
    EXPECT_EQ(download(), "0|Descarga completa con errores; 4 archivos no se descargaron.");
    EXPECT_EQ(testing::filesUnder(local.path()), (Files{{"bajadas/up/fine.jpg", std::string(411, 'f')}}));
    // One session until the silent one lost it: the 426 after the first cut kept it.
    EXPECT_EQ(server.connections(), 2);
    for (const std::string& command : server.commands()) EXPECT_NE(command, "RETR /up/huge.jpg");
}

}  // namespace
}  // namespace tesselon

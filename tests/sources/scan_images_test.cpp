#include <gtest/gtest.h>

#include <filesystem>

#include "scan_test_support.h"
#include "sources/scan_images.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::scan::pathsOf;
using testing::scan::ScanFrontend;
using testing::TempDir;
using Strings = std::vector<std::string>;

const char* const kReading = "Leyendo imágenes de la ruta origen...";

class ScanImages : public ::testing::Test {
protected:
    ScanImages() : ui(state) {
        state.settings.entorno.LocalRemoto = "L";
        state.settings.entorno.ExtensionesActivas = "JPG|JPEG";
        state.settings.entorno.RutaOrigenLocal = dir.path() + "root/";
        state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R";
    }

    TempDir dir;
    AppState state;
    ScanFrontend ui;
};

TEST_F(ScanImages, FillsTheListFilesFirstThenSubfoldersDepthFirst) {
    dir.write("root/1.jpg", "12345");
    dir.write("root/s/2.JPEG", "12");
    dir.write("root/s/t/3.jpg", "");
    dir.write("root/b/4.jpg", "x");
    dir.write("root/z.png", "x");
    std::filesystem::create_directories(dir.file("root/folder.jpg"));
    const std::string root = dir.path() + "root/";

    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);

    EXPECT_EQ(pathsOf(state.SourceImageList.entries),
              (Strings{root + "1.jpg", root + "b/4.jpg", root + "s/2.JPEG", root + "s/t/3.jpg"}));
    EXPECT_EQ(state.SourceImageList.entries[0].size, 5);
    EXPECT_EQ(state.SourceImageList.entries[2].size, 2);
    EXPECT_EQ(state.SourceImageList.current, 0u);
    const STRProcesosEntorno& env = state.settings.entorno;
    EXPECT_EQ(env.TotalImagesOrigen, 4);
    EXPECT_EQ(env.UltimoEscaneoImagenesLocalRemoto, "L");
    EXPECT_EQ(env.UltimasExtensionesDescargadas, "JPG, JPEG");

    ASSERT_EQ(ui.progressTexts.size(), 5u);
    EXPECT_EQ(ui.progressTexts[0], kReading);
    EXPECT_EQ(ui.progressTexts[1], std::string(kReading) + "\r\n(1 encontrados)\r\n('1.jpg')");
    EXPECT_EQ(ui.progressTexts[4], std::string(kReading) + "\r\n(4 encontrados)\r\n('3.jpg')");
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(ui.mainEnabled);
    EXPECT_EQ(ui.broughtToFront, 1);
    EXPECT_EQ(ui.countsShown, std::vector<int>{0});
    EXPECT_TRUE(ui.statusHidden);
    EXPECT_TRUE(ui.messages.empty());

    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, false);
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), Strings{root + "1.jpg"});
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, 1);
}

TEST_F(ScanImages, SourceFolderWithOrWithoutTrailingSlashGivesTheSamePaths) {
    dir.write("root/a.jpg", "x");
    state.settings.entorno.RutaOrigenLocal = dir.path() + "root";
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_EQ(pathsOf(state.SourceImageList.entries), Strings{dir.path() + "root/a.jpg"});
}

TEST_F(ScanImages, NoExtensionEnabledWarnsAndLeavesTheListEmpty) {
    dir.write("root/a.jpg", "x");
    state.SourceImageList.entries.push_back({"old.jpg", 1, "", 0, ""});
    state.settings.entorno.ExtensionesActivas = "  ";

    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "AVISO");
    EXPECT_EQ(ui.messages[0].text,
              "Debe marcarse alguna extensión de archivo para bajar (JPG, PNG o GIF)\r\n\r\nProceso abortado");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, 0);
    EXPECT_EQ(state.settings.entorno.UltimoEscaneoImagenesLocalRemoto, "R");
    EXPECT_TRUE(ui.progressTexts.empty());
}

TEST_F(ScanImages, CancelKeepsWhatWasFoundAndSaysSo) {
    for (const char* name : {"root/a.jpg", "root/b.jpg", "root/c.jpg", "root/sub/d.jpg"}) dir.write(name, "x");
    ui.requestCancel();  // a stale request must not stop the next scan
    ui.cancelAfterEvents = 2 + 1 + 2;     // the two waits before the scan and the root folder count too

    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);

    EXPECT_EQ(pathsOf(state.SourceImageList.entries),
              (Strings{dir.path() + "root/a.jpg", dir.path() + "root/b.jpg"}));
    EXPECT_EQ(state.settings.entorno.TotalImagesOrigen, 2);
    EXPECT_EQ(state.settings.entorno.UltimoEscaneoImagenesLocalRemoto, "L");
    ASSERT_FALSE(ui.statusLines.empty());
    EXPECT_EQ(ui.statusLines.back(), "Recorrido de imagenes suspendido por el usuario");
    EXPECT_FALSE(ui.statusHidden);
    EXPECT_TRUE(ui.mainEnabled);
}

TEST_F(ScanImages, TreeWithoutImagesStillPumpsEventsAndCanBeCancelled) {
    std::string deep = "root";
    for (int i = 0; i < 40; ++i) dir.write((deep += "/f" + std::to_string(i)) + "/notes.txt", "x");
    ui.cancelAfterEvents = 2 + 10;
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_LT(ui.pumpedEvents, 2 + 20);  // stopped long before the 41 folders were walked
    EXPECT_EQ(ui.statusLines.back(), "Recorrido de imagenes suspendido por el usuario");
}

TEST_F(ScanImages, MissingOrEmptySourceFolderGivesAnEmptyListQuietly) {
    state.SourceImageList.entries.push_back({"old.jpg", 1, "", 0, ""});
    state.settings.entorno.RutaOrigenLocal = dir.path() + "nowhere/";
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_TRUE(state.SourceImageList.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.countsShown, std::vector<int>{0});

    state.settings.entorno.RutaOrigenLocal = "";
    scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, true);
    EXPECT_TRUE(state.SourceImageList.empty());
}

TEST_F(ScanImages, ConfirmRescanAsksOnlyWhenSubfoldersAreOn) {
    dir.write("root/a.jpg", "x");
    dir.write("root/s/b.jpg", "x");

    state.settings.entorno.imagenesRecursivo = 0;
    EXPECT_TRUE(confirmRescan(remoteContextOf(state), state.settings.entorno, state.SourceImageList));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(state.SourceImageList.size(), 1u);
    EXPECT_EQ(ui.noticeStates, std::vector<bool>{false});

    state.settings.entorno.imagenesRecursivo = 1;
    ui.answers = {MessageAnswer::No};
    EXPECT_FALSE(confirmRescan(remoteContextOf(state), state.settings.entorno, state.SourceImageList));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Recontar nº de imágenes");
    EXPECT_EQ(ui.messages[0].text, "¿Releer el nº de imágenes en la ruta actual?");
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(state.SourceImageList.size(), 1u);
    EXPECT_EQ(ui.noticeStates, (std::vector<bool>{false, false, true}));

    ui.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(confirmRescan(remoteContextOf(state), state.settings.entorno, state.SourceImageList));
    EXPECT_EQ(state.SourceImageList.size(), 2u);
}

}  // namespace
}  // namespace tesselon

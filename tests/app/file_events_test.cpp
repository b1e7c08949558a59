// Window 1's events around files and folders: settings files, source and destination
// folders, rescans, source mode and extensions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "app_fixture.h"
#include "runtime/fs/file_system.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

using FileEvents = DesktopTest;

TEST_F(FileEvents, LoadRequesterStartsAtTheSettingsFileAndCancelChangesNothing) {
    startQuietly();
    const std::string before = state().SettingsFilePath;
    click(Gadget_Principal_ButtonImage_ConfigLoad);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, RequesterKind::OpenFile);
    EXPECT_EQ(requests[0].title, "Cargar una Configuración");
    EXPECT_EQ(requests[0].initialPath, before);
    EXPECT_EQ(requests[0].filters, "Configuración (*.cfg)|*.cfg|Todos (*.*)|*.*");
    EXPECT_EQ(state().SettingsFilePath, before);
    EXPECT_EQ(messages.size(), 1u);  // no settings load, so no rescan question
}

TEST_F(FileEvents, UnreadableSettingsFileStillBecomesTheCurrentOneWithDefaults) {
    startQuietly();
    state().settings.entorno.CalidadGrabacion = 99;
    requesterAnswers = {path(programFolder.file("missing.cfg"))};
    answers = {MessageAnswer::No};
    click(Gadget_Principal_ButtonImage_ConfigLoad);
    EXPECT_EQ(state().SettingsFilePath, programFolder.file("missing.cfg"));
    EXPECT_EQ(state().settings.entorno.CalidadGrabacion, 50);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_GrabarCalidad), "50");
}

TEST_F(FileEvents, SaveAddsTheCfgExtensionUnlessItIsThere) {
    startQuietly();
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain.cfg"}, {"upper.CFG", "upper.CFG"}, {"notes.txt", "notes.txt.cfg"}, {"dir.v2/job", "dir.v2/job.cfg"}};
    for (auto [chosen, written] : cases) {
        requesterAnswers = {path(programFolder.file(chosen))};
        if (std::string(chosen).find('/') != std::string::npos) programFolder.write("dir.v2/keep", "");
        click(Gadget_Principal_ButtonImage_ConfigSave);
        EXPECT_EQ(requests.back().kind, RequesterKind::SaveFile);
        EXPECT_EQ(requests.back().title, "Guardar Configuración Actual");
        EXPECT_EQ(state().SettingsFilePath, programFolder.file(written));
        EXPECT_NE(readFile(programFolder.file(written)).find("[ProcesosEntorno]"), std::string::npos) << chosen;
    }
    // The next requester starts at the file saved last; a cancel writes nothing.
    const auto before = filesUnder(programFolder.path());
    click(Gadget_Principal_ButtonImage_ConfigSave);
    EXPECT_EQ(requests.back().initialPath, programFolder.file("dir.v2/job.cfg"));
    EXPECT_EQ(filesUnder(programFolder.path()), before);
}

TEST_F(FileEvents, SourceFolderChooserAndSubfoldersRescanAsked) {
    TempDir tree;
    ASSERT_TRUE(writeSolidImage(tree.file("one.png"), 50, 50, 0xFF));
    ASSERT_TRUE(writeSolidImage(tree.file("sub/two.png"), 50, 50, 0xFF));
    startIdle(settingsFor(source.path(), destination.path()));
    const std::string chosen = tree.path().substr(0, tree.path().size() - 1);  // as the dialog answers

    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenes);  // cancelled
    EXPECT_EQ(requests.back().kind, RequesterKind::Folder);
    EXPECT_EQ(requests.back().title, "Ruta de imágenes de origen");
    EXPECT_EQ(requests.back().initialPath, source.path());
    EXPECT_EQ(state().settings.entorno.RutaOrigenLocal, source.path());

    // Subfolders off: scanned at once without a question, then previewed.
    requesterAnswers = {path(chosen)};
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Archivo_ButtonImage_RutaImagenes); }));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(state().SourceImageList.size(), 1u);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), tree.path());
    EXPECT_EQ(state().settings.entorno.RutaOrigenLocal, tree.path());

    // Checking subfolders asks; No keeps the list and shows the notice.
    answers = {MessageAnswer::No};
    EXPECT_FALSE(previews([&] { click(Gadget_Principal_Archivo_CheckBox_Subcarpetas); }));
    EXPECT_EQ(messages.back().title, "Recontar nº de imágenes");
    EXPECT_EQ(state().SourceImageList.size(), 1u);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));

    // Yes scans the tree and hides the notice again.
    click(Gadget_Principal_Archivo_CheckBox_Subcarpetas);  // off again: scans without asking
    const size_t asked = messages.size();
    answers = {MessageAnswer::Yes};
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Archivo_CheckBox_Subcarpetas); }));
    EXPECT_EQ(messages.size(), asked + 1);
    EXPECT_EQ(state().SourceImageList.size(), 2u);
    EXPECT_EQ(state().settings.entorno.imagenesRecursivo, 1);
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_NumImagenesEnRuta), "0000002");
}

TEST_F(FileEvents, ScanButtonHidesTheNoticeScansAndPreviews) {
    ASSERT_TRUE(writeSolidImage(source.file("x.jpg"), 30, 30, 0xFF00));
    startIdle(settingsFor(source.path(), destination.path()));
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
    EXPECT_TRUE(previews([&] { click(Gadget_Principal_Archivo_ButtonNumImagesActualizar); }));
    EXPECT_FALSE(controls().isVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado));
    EXPECT_EQ(state().SourceImageList.size(), 1u);
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas),
              "Extensiones Extraídas: (JPG, JPEG, PNG) ");
    // The scan's progress window is gone and window 1 takes input again.
    EXPECT_EQ(app->frontend().progressWindow(), nullptr);
    EXPECT_TRUE(window().isEnabled());

    // Without any extension the scan refuses and the list is empty.
    click(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG);
    click(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG);
    EXPECT_EQ(state().settings.entorno.ExtensionesActivas, "");
    click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
    EXPECT_EQ(messages.back().title, "AVISO");
    EXPECT_EQ(messages.back().icon, MessageIcon::Error);
    EXPECT_TRUE(state().SourceImageList.empty());
}

TEST_F(FileEvents, ExtensionCheckboxesBuildTheList) {
    startIdle(settingsFor(source.path(), destination.path()));
    ControlRegistry& c = controls();
    click(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF);
    EXPECT_EQ(state().settings.entorno.ExtensionesActivas, "JPG|JPEG|PNG|GIF");
    click(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG);
    EXPECT_EQ(state().settings.entorno.ExtensionesActivas, "PNG|GIF");
    click(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG);
    EXPECT_EQ(state().settings.entorno.ExtensionesActivas, "GIF");
    EXPECT_EQ(c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF), 1);
}

TEST_F(FileEvents, SourceModeOptionsSwapTheLocalAndRemoteControls) {
    Settings s = settingsFor(source.path(), destination.path());
    s.entorno.RutaOrigenRemoto = "/www/uploads";
    s.entorno.servidor = "ftp.example.test";
    startIdle(s);
    ControlRegistry& c = controls();
    EXPECT_TRUE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_FALSE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota));

    click(Gadget_Principal_Archivo_Option_OrigenRemoto);
    EXPECT_EQ(state().settings.entorno.LocalRemoto, "R");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenes), "/www/uploads/");
    EXPECT_EQ(state().settings.entorno.RutaOrigenRemoto, "/www/uploads/");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_Text_ServidorNombre), "ftp.example.test");
    for (int id : {Gadget_Principal_Archivo_Text_TituloServidor, Gadget_Principal_Archivo_Text_ServidorNombre,
                   Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota, Gadget_Principal_Archivo_ButtonImage_DescargarFTP,
                   Gadget_Principal_Archivo_Text_TituloRutaImagenesDescargadas,
                   Gadget_Principal_Archivo_String_RutaImagenesDescargadas,
                   Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir})
        EXPECT_TRUE(c.isVisible(id)) << id;
    EXPECT_FALSE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    // Window 3 closed without Aceptar, and the download's folder chooser cancelled,
    // change nothing.
    const Settings before = state().settings;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    closer.start(20);
    click(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota);
    closer.stop();
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    EXPECT_EQ(state().settings.entorno.RutaOrigenRemoto, before.entorno.RutaOrigenRemoto);
    EXPECT_EQ(state().settings.entorno.servidor, before.entorno.servidor);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Elige la carpeta donde se descargarán las imágenes");

    click(Gadget_Principal_Archivo_Option_OrigenLocal);
    EXPECT_EQ(state().settings.entorno.LocalRemoto, "L");
    EXPECT_EQ(c.text(Gadget_Principal_Archivo_String_RutaImagenes), source.path());
    EXPECT_TRUE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes));
    EXPECT_FALSE(c.isVisible(Gadget_Principal_Archivo_ButtonImage_DescargarFTP));
}

TEST_F(FileEvents, DestinationChooserOverwriteAndFormats) {
    startIdle(settingsFor(source.path(), destination.path()));
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino);  // cancelled
    EXPECT_EQ(requests.back().title, "Ruta de grabación de imágenes");
    EXPECT_EQ(requests.back().initialPath, destination.path());
    EXPECT_EQ(state().settings.entorno.RutaImagenesDestino, destination.path());

    requesterAnswers = {path("/srv/out")};
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino);
    EXPECT_EQ(state().settings.entorno.RutaImagenesDestino, "/srv/out");
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenesDestino), "/srv/out");

    click(Gadget_Principal_Archivo_CheckBox_Sobreescribir);
    EXPECT_EQ(state().settings.entorno.imagenesSobreescribir, 1);

    // A format option previews; the preview reads every control, the destination too.
    click(Gadget_Principal_Archivo_Option_ExtensionPNG);
    EXPECT_EQ(state().settings.entorno.FormatoImagen, "png");
    EXPECT_EQ(state().settings.entorno.RutaImagenesDestino, "/srv/out/");
}

}  // namespace
}  // namespace tesselon::testing

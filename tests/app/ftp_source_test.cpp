// The FTP source in the desktop program: window 3 through control 81, then a scan of
// a real server, the download through control 83, the preview and PROCESAR on the
// downloaded images.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include <QAccessible>
#include <QElapsedTimer>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app_fixture.h"
#include "connection_window_driver.h"
#include "remote/ftp_sessions.h"
#include "settings/password.h"
#include "support/ftp_test_server.h"
#include "support/scoped_env.h"
#include "ui/ftp_connection/ftp_connection_controls.h"
#include "ui/ftp_connection/ftp_connection_dialog.h"
#include "ui/main_window_controls.h"
#include "ui/progress_window.h"

namespace tesselon::testing {
namespace {

class FtpSource : public DesktopTest {
protected:
    FtpSource() : server(served.path()) {}

    Settings remoteSettings(const std::string& folder) {
        Settings s = settingsFor(source.path(), destination.path());
        s.entorno.LocalRemoto = "R";
        s.entorno.servidor = "127.0.0.1";
        s.entorno.puerto = std::to_string(server.port());
        s.entorno.usuario = FtpTestServer::kUser;
        s.entorno.password = protectPassword(FtpTestServer::kPassword);
        s.entorno.pasivo = 1;
        s.entorno.RutaOrigenRemoto = folder;
        return s;
    }

    // Runs `act` on window 3 once control 81 has opened it; `act` must close it.
    void withConnectionWindow(const std::function<void(FtpConnectionDialog&)>& act) {
        testing::withConnectionWindow([this] { click(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota); }, act);
    }

    // Runs `act` once the download has begun its files (several start at once, so the
    // count shown may already be past the first).
    void duringFirstFile(std::function<void()> act) {
        auto poll = std::make_shared<QTimer>();
        QObject::connect(poll.get(), &QTimer::timeout, [this, poll, act] {
            ProgressWindow* w = app->frontend().progressWindow();
            if (!w || w->controls().text(Gadget_Progreso_Text_Informacion).find(" de ") == std::string::npos) return;
            poll->stop();
            act();
        });
        poll->start(1);
    }

    // Three images on the server, scanned, ready to download into `downloads`.
    void scanThreeImages() {
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(writeSolidImage(served.file("up/" + std::string(1, char('a' + i)) + ".jpg"), 400, 300,
                                        colourOf(i)));
        startIdle(remoteSettings("/up/"));
        click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
        ASSERT_EQ(state().SourceImageList.size(), 3u);
    }

    std::string downloads() const { return destination.file("bajadas"); }

    TempDir served;
    FtpTestServer server;
};

TEST_F(FtpSource, ConnectionWindowShowsTestsAndStoresTheConnectionData) {
    ASSERT_NE(server.port(), 0);
    served.write("fotos/a.jpg", "x");
    Settings s = remoteSettings("\\fotos");
    s.entorno.imagenesRecursivo = 1;
    startIdle(s);
    state().SourceImageList.entries.resize(2);
    const std::string storedFolder = state().settings.entorno.RutaOrigenRemoto;

    // Cancelar after a look and a test: nothing changes.
    withConnectionWindow([this](FtpConnectionDialog& d) {
        ControlRegistry& c = d.controls();
        EXPECT_EQ(d.windowTitle(), "Conexión FTP");
        EXPECT_EQ(d.size(), QSize(612, 300));
        EXPECT_EQ(c.widget(Gadget_FTPDatosConexion_ButtonCheckConexion)->geometry(), QRect(260, 245, 145, 40));
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_Text19_33_85), "Servidor:");
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_StringRutaImagenes), "/fotos/");
        auto* password = qobject_cast<QLineEdit*>(c.widget(Gadget_FTPDatosConexion_StringPassword));
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(password->accessibleName(), "Contraseña");
        EXPECT_EQ(c.state(Gadget_FTPDatosConexion_CheckBoxPasivo), 1);
        EXPECT_EQ(c.focusedControl(), Gadget_FTPDatosConexion_StringNombreServidor);
        // Every field and button is reached with Tab, in the window's order; the protocol
        // options are one stop, on the chosen one.
        std::vector<int> reached;
        for (int i = 0; i < 12; ++i) {
            reached.push_back(c.focusedControl());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (int id : c.ids()) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.widget(id));
            EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << "control " << id;
        }
        EXPECT_EQ(reached, (std::vector<int>{131, 133, 148, 135, 137, 139, 141, 152, 142, 143, 144, 145}));
        auto* port = qobject_cast<QLineEdit*>(c.widget(Gadget_FTPDatosConexion_StringPuerto));
        port->clear();
        QTest::keyClicks(port, "2a1");
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_StringPuerto), "21");
        type(d, Gadget_FTPDatosConexion_StringPuerto, std::to_string(server.port()).c_str());

        clickIn(d, Gadget_FTPDatosConexion_ButtonCheckConexion);
        EXPECT_EQ(messages.back().title, "Conexión con éxito");
        EXPECT_EQ(messages.back().text, "La conexión se ha realizado correctamente\r\nRuta '/fotos/' es válida");
        type(d, Gadget_FTPDatosConexion_StringRutaImagenes, " ");
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
        EXPECT_EQ(messages.back().text, "Falta definir la ruta base de las imágenes");
        EXPECT_TRUE(d.isVisible());
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
    EXPECT_EQ(state().settings.entorno.RutaOrigenRemoto, storedFolder);
    EXPECT_EQ(state().SourceImageList.size(), 2u);
    EXPECT_EQ(sessionTableIn(state().ftpSessions).size(), 0u);

    // Aceptar with a new folder and an empty port: stored, the list emptied, the
    // rescan offered (declined here).
    answers = {MessageAnswer::No};
    withConnectionWindow([](FtpConnectionDialog& d) {
        type(d, Gadget_FTPDatosConexion_StringRutaImagenes, "fotos\\2024");
        type(d, Gadget_FTPDatosConexion_StringPuerto, "");
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    const STRProcesosEntorno& env = state().settings.entorno;
    EXPECT_EQ(env.RutaOrigenRemoto, "/fotos/2024/");
    EXPECT_EQ(env.puerto, "21");
    EXPECT_EQ(env.password, protectPassword(FtpTestServer::kPassword));  // untouched: not protected twice
    EXPECT_TRUE(state().SourceImageList.empty());
    EXPECT_EQ(messages.back().title, "Recontar nº de imágenes");
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenes), "/fotos/2024/");
}

TEST_F(FtpSource, TheConnectionTestSpeaksTheProtocolTheWindowShows) {
    served.write("fotos/a.jpg", "x");
    startIdle(remoteSettings("/fotos/"));  // stored as plain FTP
    withConnectionWindow([this](FtpConnectionDialog& d) {
        // This server has no TLS: asked for FTPS, the test never falls back to plain FTP.
        clickIn(d, Gadget_FTPDatosConexion_OptionFTPS);
        EXPECT_EQ(d.controls().text(Gadget_FTPDatosConexion_StringPuerto), std::to_string(server.port()));
        clickIn(d, Gadget_FTPDatosConexion_ButtonCheckConexion);
        EXPECT_EQ(messages.back().title, "Error de Conexión");
        EXPECT_NE(messages.back().text.find("FTPS"), std::string::npos) << messages.back().text;
        clickIn(d, Gadget_FTPDatosConexion_OptionFTP);
        clickIn(d, Gadget_FTPDatosConexion_ButtonCheckConexion);
        EXPECT_EQ(messages.back().title, "Conexión con éxito");
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
    EXPECT_EQ(state().settings.entorno.protocolo, "ftp");
}

TEST_F(FtpSource, ScanDownloadPreviewAndProcessAnFtpSource) {
    ASSERT_NE(server.port(), 0);
    ASSERT_TRUE(writeSolidImage(served.file("web/up/a.jpg"), 120, 80, 0x3366CC));
    ASSERT_TRUE(writeSolidImage(served.file("web/up/2024/b.png"), 60, 90, 0x22AA44));
    Settings s = remoteSettings("/web/up/");
    s.entorno.imagenesRecursivo = 1;
    s.entorno.FormatoImagen = "png";
    s.texto.SoloMarcadeAgua = 1;
    startIdle(s);

    click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
    ASSERT_EQ(state().SourceImageList.size(), 2u);
    EXPECT_EQ(state().SourceImageList.entries[0].path, "/web/up/2024/b.png");
    EXPECT_EQ(sessionTableIn(state().ftpSessions).size(), 1u);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Archivo_ButtonImage_DescargarFTP));

    const std::string downloads = destination.file("bajadas");
    requesterAnswers = {path(downloads)};
    answers = {MessageAnswer::No};
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    EXPECT_EQ(requests.back().title, "Elige la carpeta donde se descargarán las imágenes");
    ASSERT_EQ(messages.back().title, "Descarga desde FTP OK");
    EXPECT_EQ(readFile(downloads + "/web/up/a.jpg"), readFile(served.file("web/up/a.jpg")));
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_String_RutaImagenesDescargadas), downloads);
    EXPECT_EQ(sessionTableIn(state().ftpSessions).size(), 0u);

    // The preview and the batch read the downloaded files.
    click(Gadget_Principal_Button_ImagenSiguiente);
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kSourcePane), nullptr);
    click(Gadget_Principal_Button_Procesar);
    ASSERT_EQ(messages.back().title, "Fin de proceso");
    const auto results = filesUnder(destination.path());
    EXPECT_EQ(results.count("web/up/a.png"), 1u);
    EXPECT_EQ(results.count("web/up/2024/b.png"), 1u);
}

TEST_F(FtpSource, ACancelledDownloadAndOneThatLeftFilesOutSaySoInTheirTitles) {
    ASSERT_NE(server.port(), 0);
    scanThreeImages();
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::No};  // do not open the folder
    duringFirstFile([this] { qobject_cast<QAbstractButton*>(app->frontend().progressWindow()->controls().widget(
                                 Gadget_Progreso_Button_Cancelar))
                                 ->click(); });
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].text, "Proceso Cancelado por Usuario");
    EXPECT_EQ(messages.back().title, "Descarga desde FTP cancelada");
    EXPECT_EQ(messages.back().icon, MessageIcon::Warning);
    EXPECT_EQ(messages.back().text,
              "Descarga de archivos incompleta; Operación Cancelada por usuario\r\n¿Abrir la carpeta de descarga?");
    // The transfers in hand stopped; what is there is whole.
    for (const auto& [name, bytes] : filesUnder(downloads() + "/")) EXPECT_EQ(bytes, readFile(served.file(name))) << name;

    // A file that cannot be fetched, skipped: the title says files are missing.
    ASSERT_EQ(::symlink("nada.jpg", served.file("up/roto.jpg").c_str()), 0);
    click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
    ASSERT_EQ(state().SourceImageList.size(), 4u);
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::No, MessageAnswer::No};  // skip it; do not open the folder
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    const Shown& question = messages[messages.size() - 2];
    EXPECT_EQ(question.title, "Error de descarga de archivo");
    EXPECT_EQ(question.buttons, MessageButtons::RetrySkipCancel);
    EXPECT_EQ(messages.back().title, "Descarga desde FTP incompleta");
    EXPECT_EQ(messages.back().icon, MessageIcon::Warning);
    EXPECT_EQ(messages.back().text,
              "Descarga completa con errores; 1 archivos no se descargaron.\r\n¿Abrir la carpeta de descarga?");
    EXPECT_EQ(filesUnder(downloads() + "/").size(), 3u);
}

// The connection window's default, active mode: the download keeps to one connection,
// every file arrives without a question, and the end box says it once.
TEST_F(FtpSource, AnActiveModeDownloadKeepsToOneConnectionAndSaysSoOnce) {
    ASSERT_NE(server.port(), 0);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(writeSolidImage(served.file("up/FreshFlower" + std::to_string(i) + ".jpg"), 40, 30, colourOf(i)));
    Settings s = remoteSettings("/up/");
    s.entorno.pasivo = 0;
    startIdle(s);
    click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
    ASSERT_EQ(state().SourceImageList.size(), 10u);
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::No};  // do not open the folder
    const size_t shown = messages.size();
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    ASSERT_EQ(titles(shown), std::vector<std::string>{"Descarga desde FTP OK"});
    const std::string& text = messages.back().text;
    const size_t said = text.find("Modo Pasivo");
    EXPECT_NE(said, std::string::npos) << text;
    EXPECT_EQ(text.find("Modo Pasivo", said + 1), std::string::npos) << text;
    EXPECT_NE(text.find("una sola conexión"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\r\n¿Abrir la carpeta de descarga?")) << text;
    EXPECT_TRUE(filesUnder(downloads() + "/up/") == filesUnder(served.file("up/")));
}

TEST_F(FtpSource, OpeningTheDownloadFolderWithoutAFolderHandlerShowsItsPath) {
    ASSERT_NE(server.port(), 0);
    scanThreeImages();
    const ScopedEnv noHandler("TESSELON_OPENER", "false");
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::Yes};
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].title, "Descarga desde FTP OK");
    EXPECT_EQ(messages.back().title, "Carpeta de descarga");
    EXPECT_NE(messages.back().text.find(downloads()), std::string::npos) << messages.back().text;

    // The button that opens the download folder tells the same.
    const size_t shown = messages.size();
    click(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir);
    ASSERT_EQ(titles(shown), std::vector<std::string>{"Carpeta de descarga"});
}

TEST_F(FtpSource, ThePreviewShowsTheFirstEntryAfterAScanAndAfterADownload) {
    ASSERT_NE(server.port(), 0);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(writeSolidImage(served.file("up/" + std::string(1, char('p' + i)) + ".png"), 90, 60, colourOf(5 + i)));
    // A local folder previewed first.
    ASSERT_TRUE(writeSolidImage(source.file("local.png"), 90, 60, colourOf(0)));
    Settings s = remoteSettings("/up/");
    s.entorno.LocalRemoto = "L";
    writeDefaultSettings(s);
    giveConsent();
    answers = {MessageAnswer::Yes};
    ASSERT_TRUE(startWith());
    const ImageObject localPicture = *app->frontend().previewImage(QtFrontend::kSourcePane);

    click(Gadget_Principal_Archivo_Option_OrigenRemoto);
    click(Gadget_Principal_Archivo_ButtonNumImagesActualizar);
    ASSERT_EQ(state().SourceImageList.size(), 2u);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000001/0000002");
    // Not downloaded yet: the panes say so rather than show the local picture.
    EXPECT_NE(app->frontend().previewImage(QtFrontend::kSourcePane)->pixels, localPicture.pixels);
    for (int pane : {Gadget_Principal_Image_Origen, Gadget_Principal_Image_Resultado}) {
        const std::string said = controls().widget(pane)->accessibleDescription().toStdString();
        EXPECT_NE(said.find("No se puede leer"), std::string::npos) << said;
        EXPECT_NE(said.find("todavía no se ha descargado"), std::string::npos) << said;
    }

    // After the download the first entry is shown at once, without browsing.
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::No};
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    ASSERT_EQ(messages.back().title, "Descarga desde FTP OK");
    EXPECT_EQ(state().SourceImageList.current, 0u);
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "0000001/0000002");
    EXPECT_TRUE(controls().widget(Gadget_Principal_Image_Origen)->accessibleDescription().isEmpty());
    const bool firstIsQ = state().SourceImageList.entries[0].path.ends_with("q.png");
    EXPECT_EQ(centreColour(app->frontend().previewImage(QtFrontend::kSourcePane)), colourOf(firstIsQ ? 6 : 5));
}

TEST_F(FtpSource, ClosingEitherWindowDuringADownloadCancelsItAndNothingIsLost) {
    ASSERT_NE(server.port(), 0);
    scanThreeImages();
    // The progress window's close acts as its Cancelar.
    requesterAnswers = {path(downloads())};
    answers = {MessageAnswer::No};
    duringFirstFile([this] { app->frontend().progressWindow()->close(); });
    click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP);
    const std::vector<std::string> said = titles();
    EXPECT_NE(std::find(said.begin(), said.end(), "Información"), said.end());
    EXPECT_EQ(messages.back().title, "Descarga desde FTP cancelada");
    EXPECT_EQ(app->frontend().progressWindow(), nullptr);
    EXPECT_TRUE(window().isVisible());

    // The main window's close cancels, then ends the program without further questions.
    std::filesystem::remove_all(downloads());
    const size_t shown = messages.size();
    requesterAnswers = {path(downloads())};
    duringFirstFile([this] { window().close(); });
    QTimer::singleShot(0, [this] { click(Gadget_Principal_Archivo_ButtonImage_DescargarFTP); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(app->exec(), 0);
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_TRUE(titles(shown).empty());
    const auto got = filesUnder(downloads() + "/");
    for (const auto& [name, bytes] : got) EXPECT_EQ(bytes, readFile(served.file(name))) << name;
}

}  // namespace
}  // namespace tesselon::testing

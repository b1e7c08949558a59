// Window 3's publish folder and its test upload over the encrypted protocols, in the
// desktop program against real servers on 127.0.0.1: what the window shows and stores,
// PROCESAR publishing through the progress window, and the test pack going over FTPS
// (vsftpd requiring TLS and reused sessions) and SFTP (sshd).
#include <gtest/gtest.h>

#include <memory>

#include <QAccessible>
#include <QLineEdit>
#include <QTimer>

#include "app_fixture.h"
#include "connection_window_driver.h"
#include "settings/password.h"
#include "support/ftp_test_server.h"
#include "support/scoped_env.h"
#include "support/sshd_test_server.h"
#include "support/vsftpd_test_server.h"
#include "ui/ftp_connection/ftp_connection_controls.h"
#include "ui/main_window_controls.h"
#include "ui/progress_window.h"

namespace tesselon::testing {
namespace {

using Files = std::map<std::string, std::string>;

class ConnectionPublish : public DesktopTest {
protected:
    void inWindow(const std::function<void(FtpConnectionDialog&)>& act) {
        withConnectionWindow([this] { click(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota); }, act);
    }

    // The connection data of a server, stored as Aceptar stores them.
    void useServer(const std::string& protocol, uint16_t port, const std::string& user, const std::string& password,
                   const std::string& folder) {
        STRProcesosEntorno& env = state().settings.entorno;
        env.servidor = "127.0.0.1";
        env.puerto = std::to_string(port);
        env.usuario = user;
        env.password = protectPassword(password);
        env.pasivo = 1;
        env.protocolo = protocol;
        env.RutaOrigenRemoto = folder;
    }

    // Three images in the test pack beside the program, one in a subfolder.
    Files writePack() {
        Files pack;
        for (const char* name : {"a.jpg", "b.png", "sub/c.jpg"}) {
            const std::string path = programFolder.write(std::string("_FTPimg/") + name, "");
            EXPECT_TRUE(writeSolidImage(path, 300, 200, colourOf(int(pack.size()))));
            pack[name] = readFile(path);
        }
        return pack;
    }

    // Ticks the test upload, tests the folder and closes the window.
    void testUploadInto(const std::string& folder) {
        inWindow([&folder](FtpConnectionDialog& d) {
            type(d, Gadget_FTPDatosConexion_StringRutaImagenes, folder.c_str());
            clickIn(d, Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba);
            clickIn(d, Gadget_FTPDatosConexion_ButtonCheckConexion);
            clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
        });
    }

    TempDir served;
};

TEST_F(ConnectionPublish, ThePublishFolderIsShownTypedAndStoredOnlyOnAceptar) {
    Settings s = settingsFor(source.path(), destination.path());
    s.entorno.LocalRemoto = "R";
    s.entorno.servidor = "127.0.0.1";
    s.entorno.RutaOrigenRemoto = "/fotos/";
    s.entorno.carpetaPublicacion = "/web/optimizadas";
    startIdle(s);

    inWindow([](FtpConnectionDialog& d) {
        ControlRegistry& c = d.controls();
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_TextCarpetaPublicacion), "Publicar en:");
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_StringCarpetaPublicacion), "/web/optimizadas");
        EXPECT_NE(c.text(Gadget_FTPDatosConexion_TextCarpetaPublicacionAyuda).find("Vacía: no se publica"),
                  std::string::npos);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(c.widget(Gadget_FTPDatosConexion_StringCarpetaPublicacion));
        EXPECT_EQ(field->text(QAccessible::Name), "Carpeta de publicación");
        // Nothing overlaps: the field lies between the source's rows and the buttons.
        const QRect publish = c.widget(Gadget_FTPDatosConexion_StringCarpetaPublicacion)->geometry();
        for (int other : {Gadget_FTPDatosConexion_CheckBoxPasivo, Gadget_FTPDatosConexion_Text19_33_85_301_306,
                          Gadget_FTPDatosConexion_ButtonCheckConexion, Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba})
            EXPECT_FALSE(publish.intersects(c.widget(other)->geometry())) << other;
        type(d, Gadget_FTPDatosConexion_StringCarpetaPublicacion, "otra");
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
    EXPECT_EQ(state().settings.entorno.carpetaPublicacion, "/web/optimizadas");

    inWindow([](FtpConnectionDialog& d) {
        type(d, Gadget_FTPDatosConexion_StringCarpetaPublicacion, "  \\web\\nueva  ");
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(state().settings.entorno.carpetaPublicacion, "/web/nueva");
    EXPECT_EQ(state().settings.entorno.RutaOrigenRemoto, "/fotos/");  // no rescan was offered
    requesterAnswers = {path(programFolder.file("saved.cfg"))};
    click(Gadget_Principal_ButtonImage_ConfigSave);
    EXPECT_NE(readFile(programFolder.file("saved.cfg")).find("\"carpetaPublicacion\":\"/web/nueva\"}"),
              std::string::npos);

    // Emptied, nothing is published any more.
    inWindow([](FtpConnectionDialog& d) {
        type(d, Gadget_FTPDatosConexion_StringCarpetaPublicacion, "");
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(state().settings.entorno.carpetaPublicacion, "");
}

TEST_F(ConnectionPublish, ProcesarPublishesTheResultsThroughTheProgressWindow) {
    FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    startWithImages(3);
    useServer("ftp", server.port(), FtpTestServer::kUser, FtpTestServer::kPassword, "/");
    state().settings.entorno.carpetaPublicacion = "/web/";

    std::string shownWhilePublishing;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ProgressWindow* w = app->frontend().progressWindow();
        if (!w || !w->isVisible()) return;
        const std::string text = w->controls().text(Gadget_Progreso_Text_Informacion);
        if (text.rfind("Publicando imágenes...", 0) == 0) shownWhilePublishing = text;
    });
    poll.start(1);
    click(Gadget_Principal_Button_Procesar);
    poll.stop();

    EXPECT_EQ(shownWhilePublishing.rfind("Publicando imágenes...", 0), 0u) << shownWhilePublishing;
    const Files results = filesUnder(destination.path());
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(filesUnder(served.file("web/")), results);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().title, "Fin de proceso");
    EXPECT_NE(messages.back().text.find("Se publicaron las 3 imágenes en '/web/'"), std::string::npos)
        << messages.back().text;
    EXPECT_EQ(app->frontend().progressWindow(), nullptr);
    EXPECT_TRUE(controls().isVisible(Gadget_Principal_Button_Procesar));
}

TEST_F(ConnectionPublish, TheTestPackGoesOverFtpsToAServerThatRequiresTlsOnEveryConnection) {
    served.write("pub/keep.jpg", "k");
    VsftpdTestServer server(served.path(), "127.0.0.1", 0, VsftpdTestServer::Access::Writable);
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    ScopedEnv noCaFile{"TESSELON_CA_FILE", ""};
    startIdle(settingsFor(source.path(), destination.path()));
    const Files pack = writePack();
    useServer("ftps", server.port(), VsftpdTestServer::kUser, "secreto", "/pub/");
    answers = {MessageAnswer::Yes};  // the throw-away authority's certificate is trusted
    testUploadInto("/pub/prueba/");

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().title, "Conexión con éxito");
    EXPECT_NE(messages.back().text.find("es válida"), std::string::npos) << messages.back().text;
    EXPECT_EQ(filesUnder(served.file("pub/prueba/")), pack);
    EXPECT_EQ(app->frontend().progressWindow(), nullptr);
}

TEST_F(ConnectionPublish, TheTestPackGoesOverSftp) {
    SshdTestServer server;
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    TempDir home;
    ScopedEnv homeVariable{"HOME", home.path()};
    served.write("fotos/keep.jpg", "k");
    if (const std::string problem = server.serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
    startIdle(settingsFor(source.path(), destination.path()));
    const Files pack = writePack();
    useServer("sftp", server.port(), SshdTestServer::kUser, server.password(), served.path() + "fotos/");
    state().sftpTrustedHostKey = server.fingerprint();
    testUploadInto(served.path() + "prueba/");

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().title, "Conexión con éxito");
    EXPECT_NE(messages.back().text.find("es válida"), std::string::npos) << messages.back().text;
    EXPECT_EQ(filesUnder(served.file("prueba/")), pack);
}

}  // namespace
}  // namespace tesselon::testing

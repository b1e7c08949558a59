// The protocol choice of window 3: what a settings file says is what the window shows,
// the port follows the protocol unless the user typed one, and only Aceptar stores it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>
#include <QTest>

#include "app_fixture.h"
#include "connection_window_driver.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "ui/ftp_connection/ftp_connection_controls.h"
#include "ui/main_window_controls.h"

namespace tesselon::testing {
namespace {

constexpr int kOptions[] = {Gadget_FTPDatosConexion_OptionFTP, Gadget_FTPDatosConexion_OptionFTPS,
                            Gadget_FTPDatosConexion_OptionSFTP};

class ConnectionProtocol : public DesktopTest {
protected:
    Settings remoteSettings(const std::string& protocol) {
        Settings s = settingsFor(source.path(), destination.path());
        s.entorno.LocalRemoto = "R";
        s.entorno.servidor = "127.0.0.1";
        s.entorno.puerto = "21";
        s.entorno.RutaOrigenRemoto = "/fotos/";
        s.entorno.pasivo = 1;
        s.entorno.protocolo = protocol;
        return s;
    }

    void inWindow(const std::function<void(FtpConnectionDialog&)>& act) {
        withConnectionWindow([this] { click(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota); }, act);
    }

    // The option shown chosen; 0 when none is.
    static int chosen(FtpConnectionDialog& d) {
        int found = 0;
        for (int id : kOptions) {
            if (d.controls().state(id) != 0) {
                EXPECT_EQ(found, 0) << "two protocols chosen";
                found = id;
            }
        }
        return found;
    }

    static std::string port(FtpConnectionDialog& d) { return d.controls().text(Gadget_FTPDatosConexion_StringPuerto); }

    // The [ProcesosEntorno] line of a settings file.
    static std::string environmentLine(const std::string& text) {
        const size_t header = text.find("[ProcesosEntorno]\r\n");
        if (header == std::string::npos) return {};
        const size_t begin = header + 19;
        return text.substr(begin, text.find("\r\n", begin) - begin);
    }
};

TEST_F(ConnectionProtocol, TheWindowShowsTheProtocolOfTheLoadedSettingsFile) {
    startIdle(remoteSettings("ftp"));
    const std::string written = composeSettingsText(remoteSettings("sftp"), 0);
    const std::string sftpKey = "\"protocolo\":\"sftp\"";
    ASSERT_NE(written.find(sftpKey), std::string::npos);
    std::string unknown = written, missing = written;
    unknown.replace(unknown.find(sftpKey), sftpKey.size(), "\"protocolo\":\"scp\"");
    missing.replace(missing.find("," + sftpKey), sftpKey.size() + 1, "");

    // Each file is loaded as the user loads one; an unknown name or none at all is FTP,
    // as every file written before the choice existed.
    const std::pair<std::string, int> cases[] = {
        {composeSettingsText(remoteSettings("ftps"), 0), Gadget_FTPDatosConexion_OptionFTPS},
        {written, Gadget_FTPDatosConexion_OptionSFTP},
        {unknown, Gadget_FTPDatosConexion_OptionFTP},
        {missing, Gadget_FTPDatosConexion_OptionFTP},
    };
    for (const auto& [text, option] : cases) {
        programFolder.write("job.cfg", text);
        requesterAnswers = {path(programFolder.file("job.cfg"))};
        answers = {MessageAnswer::No};
        click(Gadget_Principal_ButtonImage_ConfigLoad);
        inWindow([&](FtpConnectionDialog& d) {
            EXPECT_EQ(chosen(d), option);
            const bool sftp = option == Gadget_FTPDatosConexion_OptionSFTP;
            EXPECT_EQ(d.controls().isEnabled(Gadget_FTPDatosConexion_CheckBoxPasivo), !sftp);
            EXPECT_EQ(port(d), "21");  // what the file says, whatever the protocol
            clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
        });
    }
}

TEST_F(ConnectionProtocol, TheChoiceIsOneNamedStopOfTheKeyboardAndArrowsChangeIt) {
    startIdle(remoteSettings("ftp"));
    inWindow([](FtpConnectionDialog& d) {
        ControlRegistry& c = d.controls();
        QAccessibleInterface* group = QAccessible::queryAccessibleInterface(c.widget(Gadget_FTPDatosConexion_FrameProtocolo));
        EXPECT_EQ(group->text(QAccessible::Name), "Protocolo");
        EXPECT_EQ(group->role(), QAccessible::Grouping);
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_TextProtocolo), "Protocolo:");
        for (int id : kOptions) EXPECT_TRUE(c.widget(Gadget_FTPDatosConexion_FrameProtocolo)->isAncestorOf(c.widget(id)));

        // From the port, where the server field's Tab leads.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(c.focusedControl(), Gadget_FTPDatosConexion_OptionFTP);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(chosen(d), Gadget_FTPDatosConexion_OptionSFTP);
        EXPECT_EQ(port(d), "22");  // an arrow chooses as a click does
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(c.focusedControl(), Gadget_FTPDatosConexion_StringUsuario);
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
}

TEST_F(ConnectionProtocol, SftpTakesPort22OnlyFromTheDefaultAndCancelarKeepsTheStoredChoice) {
    startIdle(remoteSettings("ftp"));
    inWindow([](FtpConnectionDialog& d) {
        ControlRegistry& c = d.controls();
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        EXPECT_EQ(port(d), "22");
        // Passive mode means nothing over SSH, the test upload goes over it as over FTP,
        // and an SFTP folder is the server's whole path, not one below the login folder.
        EXPECT_FALSE(c.isEnabled(Gadget_FTPDatosConexion_CheckBoxPasivo));
        EXPECT_TRUE(c.isEnabled(Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba));
        // A box that means nothing shows no tick, whatever the stored passive mode.
        EXPECT_EQ(c.state(Gadget_FTPDatosConexion_CheckBoxPasivo), 0);
        const std::string hint = c.text(Gadget_FTPDatosConexion_Text19_33_85_301_306);
        EXPECT_NE(hint.find("Ruta completa"), std::string::npos) << hint;
        clickIn(d, Gadget_FTPDatosConexion_OptionFTPS);
        EXPECT_EQ(port(d), "21");
        EXPECT_EQ(c.text(Gadget_FTPDatosConexion_Text19_33_85_301_306), "Ejemplo: /wp-content/uploads/");
        EXPECT_TRUE(c.isEnabled(Gadget_FTPDatosConexion_CheckBoxPasivo));
        EXPECT_EQ(c.state(Gadget_FTPDatosConexion_CheckBoxPasivo), 1);  // kept while it was off

        // A port the user typed stays as typed, both ways.
        type(d, Gadget_FTPDatosConexion_StringPuerto, "2121");
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        EXPECT_EQ(port(d), "2121");
        type(d, Gadget_FTPDatosConexion_StringPuerto, "2222");
        clickIn(d, Gadget_FTPDatosConexion_OptionFTP);
        EXPECT_EQ(port(d), "2222");
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
    EXPECT_EQ(state().settings.entorno.protocolo, "ftp");
    EXPECT_EQ(state().settings.entorno.puerto, "21");

    // The next opening shows the stored choice again, not the cancelled one.
    inWindow([](FtpConnectionDialog& d) {
        EXPECT_EQ(chosen(d), Gadget_FTPDatosConexion_OptionFTP);
        EXPECT_EQ(port(d), "21");
        clickIn(d, Gadget_FTPDatosConexion_ButtonCancelar);
    });
}

TEST_F(ConnectionProtocol, AceptarStoresTheProtocolAsTheLastKeyOfTheEnvironment) {
    startIdle(remoteSettings("ftp"));
    inWindow([](FtpConnectionDialog& d) {
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(state().settings.entorno.protocolo, "sftp");
    EXPECT_EQ(state().settings.entorno.puerto, "22");

    requesterAnswers = {path(programFolder.file("saved.cfg"))};
    click(Gadget_Principal_ButtonImage_ConfigSave);
    const std::string line = environmentLine(readFile(programFolder.file("saved.cfg")));
    const std::string last = ",\"protocolo\":\"sftp\",\"carpetaPublicacion\":\"\"}";
    ASSERT_GE(line.size(), last.size());
    EXPECT_EQ(line.substr(line.size() - last.size()), last);
    EXPECT_EQ(line.find("protocolo"), line.rfind("protocolo"));  // stored once

    // An emptied port is the chosen protocol's own on Aceptar.
    inWindow([](FtpConnectionDialog& d) {
        EXPECT_EQ(chosen(d), Gadget_FTPDatosConexion_OptionSFTP);
        type(d, Gadget_FTPDatosConexion_StringPuerto, "");
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(state().settings.entorno.puerto, "22");

    inWindow([](FtpConnectionDialog& d) {
        clickIn(d, Gadget_FTPDatosConexion_OptionFTP);
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(state().settings.entorno.protocolo, "ftp");
    EXPECT_EQ(state().settings.entorno.puerto, "21");
}

// The texts written when FTP was the only protocol name the one in force: the window's
// title as the choice changes, the main window's source choice once it is accepted. The
// passive mode stays stored while SFTP is chosen, for a later return to FTP.
TEST_F(ConnectionProtocol, TheWindowTitleAndTheSourceChoiceNameTheProtocolInForce) {
    startIdle(remoteSettings("ftp"));
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Option_OrigenRemoto), "Remoto (FTP)");
    inWindow([](FtpConnectionDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Conexión FTP");
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        EXPECT_EQ(d.windowTitle(), "Conexión SFTP");
        clickIn(d, Gadget_FTPDatosConexion_OptionFTPS);
        EXPECT_EQ(d.windowTitle(), "Conexión FTPS");
        clickIn(d, Gadget_FTPDatosConexion_OptionSFTP);
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Option_OrigenRemoto), "Remoto (SFTP)");
    EXPECT_EQ(state().settings.entorno.pasivo, 1);

    inWindow([](FtpConnectionDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Conexión SFTP");
        EXPECT_EQ(d.controls().state(Gadget_FTPDatosConexion_CheckBoxPasivo), 0);
        clickIn(d, Gadget_FTPDatosConexion_OptionFTP);
        EXPECT_EQ(d.controls().state(Gadget_FTPDatosConexion_CheckBoxPasivo), 1);
        clickIn(d, Gadget_FTPDatosConexion_ButtonAceptar);
    });
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Option_OrigenRemoto), "Remoto (FTP)");
}

}  // namespace
}  // namespace tesselon::testing

#include "ui/ftp_connection/ftp_connection_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

#include "core/frontend.h"
#include "ui/colour_conversion.h"
#include "ui/control_builder.h"
#include "ui/ftp_connection/ftp_connection_controls.h"
#include "ui/language_table.h"
#include "ui/remote_texts.h"

namespace tesselon {

namespace {

constexpr int optionOf(RemoteProtocol protocol) {
    switch (protocol) {
    case RemoteProtocol::Ftps: return Gadget_FTPDatosConexion_OptionFTPS;
    case RemoteProtocol::Sftp: return Gadget_FTPDatosConexion_OptionSFTP;
    default: return Gadget_FTPDatosConexion_OptionFTP;
    }
}

constexpr RemoteProtocol kProtocols[] = {RemoteProtocol::Ftp, RemoteProtocol::Ftps, RemoteProtocol::Sftp};

}  // namespace

FtpConnectionDialog::FtpConnectionDialog(LanguageTable& table, Frontend& frontend, const FtpConnectionData& stored,
                                         CheckConnection check, QWidget* parent)
    : QDialog(parent), frontend_(frontend), storedPassword_(stored.password), check_(std::move(check)) {
    setObjectName("Window_FTPDatosConexion");
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(QString::fromStdString(table.lookupText("Window_FTPDatosConexion")));
    buildControls(this, WindowContent{ftpConnectionWindowLayout(), {}, nullptr}, controls_, table);

    auto* port = qobject_cast<QLineEdit*>(controls_.widget(Gadget_FTPDatosConexion_StringPuerto));
    port->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), port));
    qobject_cast<QLineEdit*>(controls_.widget(Gadget_FTPDatosConexion_StringPassword))
        ->setEchoMode(QLineEdit::Password);

    controls_.setText(Gadget_FTPDatosConexion_StringNombreServidor, stored.server);
    controls_.setText(Gadget_FTPDatosConexion_StringPuerto, stored.port);
    controls_.setText(Gadget_FTPDatosConexion_StringUsuario, stored.user);
    controls_.setText(Gadget_FTPDatosConexion_StringPassword, stored.password);
    // The protected text may hold code units a text field cannot keep (lone
    // surrogates); what the field shows stands for the stored text until it is edited.
    passwordShown_ = controls_.text(Gadget_FTPDatosConexion_StringPassword);
    controls_.setText(Gadget_FTPDatosConexion_StringRutaImagenes, folderForDisplay(stored.folder));
    controls_.setState(Gadget_FTPDatosConexion_CheckBoxPasivo, stored.passive ? 1 : 0);
    controls_.setState(Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba, 0);
    auto* protocols = qobject_cast<QGroupBox*>(controls_.widget(Gadget_FTPDatosConexion_FrameProtocolo));
    protocols->setFlat(true);
    protocols->setStyleSheet("QGroupBox { border: none; margin: 0; padding: 0; }");
    ftpFolderHint_ = controls_.text(Gadget_FTPDatosConexion_Text19_33_85_301_306);
    sftpFolderHint_ = table.lookupText("Gadget_FTPDatosConexion_Text19_33_85_301_306_SFTP");
    protocol_ = stored.protocol;
    showProtocol(stored.protocol);
    controls_.setEventSink([this](int control, ControlEventKind kind) {
        if (kind == ControlEventKind::Clicked) onControl(control);
    });
    controls_.widget(Gadget_FTPDatosConexion_StringNombreServidor)->setFocus();
    // Return in a field accepts, as the default button of a dialog does.
    auto* acceptButton = qobject_cast<QPushButton*>(controls_.widget(Gadget_FTPDatosConexion_ButtonAceptar));
    if (acceptButton) acceptButton->setDefault(true);
}

FtpConnectionFields FtpConnectionDialog::fields() const {
    FtpConnectionFields f;
    f.server = controls_.text(Gadget_FTPDatosConexion_StringNombreServidor);
    f.port = controls_.text(Gadget_FTPDatosConexion_StringPuerto);
    f.user = controls_.text(Gadget_FTPDatosConexion_StringUsuario);
    f.password = controls_.text(Gadget_FTPDatosConexion_StringPassword);
    if (f.password == passwordShown_) f.password = storedPassword_;
    f.folder = controls_.text(Gadget_FTPDatosConexion_StringRutaImagenes);
    f.passive = boxChoice(Gadget_FTPDatosConexion_CheckBoxPasivo);
    f.protocol = protocol_;
    return f;
}

void FtpConnectionDialog::onControl(int control) {
    switch (control) {
    case Gadget_FTPDatosConexion_ButtonCheckConexion: checkConnection(); break;
    case Gadget_FTPDatosConexion_ButtonCancelar: reject(); break;
    case Gadget_FTPDatosConexion_ButtonAceptar: accept(); break;
    default:
        for (RemoteProtocol p : kProtocols) {
            if (control == optionOf(p)) chooseProtocol(p);
        }
        break;
    }
}

void FtpConnectionDialog::chooseProtocol(RemoteProtocol protocol) {
    if (protocol == protocol_) return;
    const std::string port = controls_.text(Gadget_FTPDatosConexion_StringPuerto);
    controls_.setText(Gadget_FTPDatosConexion_StringPuerto, portAfterSwitch(port, protocol_, protocol));
    protocol_ = protocol;
    showProtocol(protocol);
}

void FtpConnectionDialog::showProtocol(RemoteProtocol protocol) {
    controls_.setState(optionOf(protocol), 1);
    setWindowTitle(QString::fromStdString(namingProtocol(windowTitle().toStdString(), protocol)));
    // SFTP has no passive or active data connections; the test upload goes over every
    // protocol.
    const bool ftp = protocol != RemoteProtocol::Sftp;
    offerBox(Gadget_FTPDatosConexion_CheckBoxPasivo, ftp);
    controls_.setText(Gadget_FTPDatosConexion_Text19_33_85_301_306, ftp ? ftpFolderHint_ : sftpFolderHint_);
}

// A box that means nothing for the protocol shows unticked while it is disabled; the
// user's choice comes back when the box is offered again, and is what the window gives
// back meanwhile (Aceptar with SFTP keeps the stored passive mode for a later FTP).
void FtpConnectionDialog::offerBox(int box, bool offered) {
    const auto held = heldChoices_.find(box);
    if (offered && held != heldChoices_.end()) {
        controls_.setState(box, held->second ? 1 : 0);
        heldChoices_.erase(held);
    } else if (!offered && held == heldChoices_.end()) {
        heldChoices_[box] = controls_.state(box) != 0;
        controls_.setState(box, 0);
    }
    controls_.setEnabled(box, offered);
}

bool FtpConnectionDialog::boxChoice(int box) const {
    const auto held = heldChoices_.find(box);
    return held != heldChoices_.end() ? held->second : controls_.state(box) != 0;
}

void FtpConnectionDialog::showMissingFolder() {
    frontend_.messageBox(kMissingFolderTitle, kMissingFolderText, MessageButtons::Ok, MessageIcon::Error);
}

void FtpConnectionDialog::checkConnection() {
    const std::optional<FtpConnectionData> data = dataToCheck(fields(), storedPassword_);
    if (!data) {
        showMissingFolder();
        return;
    }
    controls_.setText(Gadget_FTPDatosConexion_StringRutaImagenes, data->folder);
    if (!check_) return;
    // The window takes no input while the test (and its upload) runs.
    setEnabled(false);
    const int upload = Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba;
    check_(*data, controls_.isEnabled(upload) && controls_.state(upload) != 0);
    setEnabled(true);
}

void FtpConnectionDialog::accept() {
    std::optional<FtpConnectionData> data = dataToStore(fields(), storedPassword_);
    if (!data) {
        showMissingFolder();
        return;
    }
    controls_.setText(Gadget_FTPDatosConexion_StringRutaImagenes, data->folder);
    accepted_ = std::move(data);
    QDialog::accept();
}

void FtpConnectionDialog::centreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
}

void FtpConnectionDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(kBackgroundColour));
}

}  // namespace tesselon

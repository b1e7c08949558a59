// Window 3's controls in creation order; the keyboard visits them in this order too.
#include "ui/ftp_connection/ftp_connection_controls.h"

namespace tesselon {

namespace {

using K = ControlKind;

constexpr ControlParent kWindow{0, -1};
constexpr ControlParent kProtocols{Gadget_FTPDatosConexion_FrameProtocolo, -1};
constexpr uint32_t kBack = 0x464646;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr FontSpec kLabelFont{"Calibri", 10, true, false};
constexpr FontSpec kFieldFont{"Calibri", 10, false, false};
constexpr FontSpec kHintFont{"Calibri Light", 9, false, true};

constexpr ControlSpec label(int id, ControlRect rect, const char* name) {
    return control(id, K::Text, kWindow, rect, name)
        .withCaption()
        .withStyle(kAlignRight)
        .withFont(kLabelFont)
        .withColours(kBack, kWhite);
}

constexpr ControlSpec field(int id, ControlRect rect, const char* name, const char* spoken) {
    return control(id, K::String, kWindow, rect, name)
        .withCaption()
        .withFont(kFieldFont)
        .withColours(kWhite, kSystemColour)
        .spokenAs(spoken);
}

// The protocol stands right under the port it decides, and is chosen before the login.
constexpr ControlSpec protocol(int id, int row, const char* name) {
    return control(id, K::Option, kProtocols, {0, row * 20, 110, 20}, name).withCaption().withTooltip();
}

constexpr ControlSpec kFtpConnectionWindow[] = {
    label(Gadget_FTPDatosConexion_Text19_33_85, {30, 30, 90, 20}, "Gadget_FTPDatosConexion_Text19_33_85"),
    field(Gadget_FTPDatosConexion_StringNombreServidor, {130, 30, 340, 20},
          "Gadget_FTPDatosConexion_StringNombreServidor", "Servidor")
        .withTooltip(),
    label(Gadget_FTPDatosConexion_Text19_33_85_143, {480, 30, 50, 20}, "Gadget_FTPDatosConexion_Text19_33_85_143"),
    field(Gadget_FTPDatosConexion_StringPuerto, {535, 30, 50, 20}, "Gadget_FTPDatosConexion_StringPuerto", "Puerto")
        .withTooltip(),
    label(Gadget_FTPDatosConexion_TextProtocolo, {395, 60, 80, 20}, "Gadget_FTPDatosConexion_TextProtocolo"),
    // A borderless group: what a screen reader announces as "Protocolo" around the options.
    control(Gadget_FTPDatosConexion_FrameProtocolo, K::Frame, kWindow, {480, 60, 110, 60},
            "Gadget_FTPDatosConexion_FrameProtocolo")
        .spokenAs("Protocolo"),
    protocol(Gadget_FTPDatosConexion_OptionFTP, 0, "Gadget_FTPDatosConexion_OptionFTP"),
    protocol(Gadget_FTPDatosConexion_OptionFTPS, 1, "Gadget_FTPDatosConexion_OptionFTPS"),
    protocol(Gadget_FTPDatosConexion_OptionSFTP, 2, "Gadget_FTPDatosConexion_OptionSFTP"),
    label(Gadget_FTPDatosConexion_Text19, {30, 60, 90, 20}, "Gadget_FTPDatosConexion_Text19"),
    field(Gadget_FTPDatosConexion_StringUsuario, {130, 60, 255, 20}, "Gadget_FTPDatosConexion_StringUsuario",
          "Usuario"),
    label(Gadget_FTPDatosConexion_Text20, {30, 90, 90, 20}, "Gadget_FTPDatosConexion_Text20"),
    field(Gadget_FTPDatosConexion_StringPassword, {130, 90, 255, 20}, "Gadget_FTPDatosConexion_StringPassword",
          "Contraseña"),
    label(Gadget_FTPDatosConexion_Text19_33_85_301, {5, 125, 115, 20}, "Gadget_FTPDatosConexion_Text19_33_85_301"),
    field(Gadget_FTPDatosConexion_StringRutaImagenes, {130, 125, 460, 20},
          "Gadget_FTPDatosConexion_StringRutaImagenes", "Ruta de imágenes")
        .withTooltip(),
    control(Gadget_FTPDatosConexion_Text19_33_85_301_306, K::Text, kWindow, {130, 150, 460, 15},
            "Gadget_FTPDatosConexion_Text19_33_85_301_306")
        .withCaption()
        .withFont(kHintFont)
        .withColours(kBack, kWhite),
    control(Gadget_FTPDatosConexion_CheckBoxPasivo, K::Checkbox, kWindow, {490, 165, 100, 20},
            "Gadget_FTPDatosConexion_CheckBoxPasivo")
        .withCaption(),
    // Where PROCESAR publishes its results: below the source's rows, as a later step.
    label(Gadget_FTPDatosConexion_TextCarpetaPublicacion, {5, 195, 115, 20},
          "Gadget_FTPDatosConexion_TextCarpetaPublicacion"),
    field(Gadget_FTPDatosConexion_StringCarpetaPublicacion, {130, 195, 460, 20},
          "Gadget_FTPDatosConexion_StringCarpetaPublicacion", "Carpeta de publicación")
        .withTooltip(),
    control(Gadget_FTPDatosConexion_TextCarpetaPublicacionAyuda, K::Text, kWindow, {130, 220, 460, 15},
            "Gadget_FTPDatosConexion_TextCarpetaPublicacionAyuda")
        .withCaption()
        .withFont(kHintFont)
        .withColours(kBack, kWhite),
    control(Gadget_FTPDatosConexion_ButtonCheckConexion, K::Button, kWindow, {260, 245, 145, 40},
            "Gadget_FTPDatosConexion_ButtonCheckConexion")
        .withCaption()
        .withStyle(kMultiLine)
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_ButtonCancelar, K::Button, kWindow, {415, 245, 80, 40},
            "Gadget_FTPDatosConexion_ButtonCancelar")
        .withCaption()
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_ButtonAceptar, K::Button, kWindow, {505, 245, 85, 40},
            "Gadget_FTPDatosConexion_ButtonAceptar")
        .withCaption()
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba, K::Checkbox, kWindow, {20, 260, 235, 15},
            "Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba")
        .withCaption(),
};

}  // namespace

std::span<const ControlSpec> ftpConnectionWindowLayout() { return kFtpConnectionWindow; }

}  // namespace tesselon

// Window 3's controls in creation order; the keyboard visits them in this order too.
#include "ui/ftp_connection/ftp_connection_controls.h"

namespace tesselon {

namespace {

using K = ControlKind;

constexpr ControlParent kWindow{0, -1};
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

constexpr ControlSpec kFtpConnectionWindow[] = {
    label(Gadget_FTPDatosConexion_Text19_33_85, {30, 30, 90, 20}, "Gadget_FTPDatosConexion_Text19_33_85"),
    field(Gadget_FTPDatosConexion_StringNombreServidor, {130, 30, 340, 20},
          "Gadget_FTPDatosConexion_StringNombreServidor", "Servidor")
        .withTooltip(),
    label(Gadget_FTPDatosConexion_Text19_33_85_143, {480, 30, 50, 20}, "Gadget_FTPDatosConexion_Text19_33_85_143"),
    field(Gadget_FTPDatosConexion_StringPuerto, {535, 30, 50, 20}, "Gadget_FTPDatosConexion_StringPuerto", "Puerto")
        .withTooltip(),
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
    control(Gadget_FTPDatosConexion_ButtonCheckConexion, K::Button, kWindow, {260, 205, 145, 40},
            "Gadget_FTPDatosConexion_ButtonCheckConexion")
        .withCaption()
        .withStyle(kMultiLine)
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_ButtonCancelar, K::Button, kWindow, {415, 205, 80, 40},
            "Gadget_FTPDatosConexion_ButtonCancelar")
        .withCaption()
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_ButtonAceptar, K::Button, kWindow, {505, 205, 85, 40},
            "Gadget_FTPDatosConexion_ButtonAceptar")
        .withCaption()
        .withFont(kLabelFont),
    control(Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba, K::Checkbox, kWindow, {20, 220, 180, 15},
            "Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba")
        .withCaption(),
};

}  // namespace

std::span<const ControlSpec> ftpConnectionWindowLayout() { return kFtpConnectionWindow; }

}  // namespace tesselon

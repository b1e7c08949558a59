// Window 3: the FTP connection data. Control numbers are its layout's ids.
#pragma once

#include <span>

#include "ui/window_layout.h"

namespace tesselon {

constexpr int Gadget_FTPDatosConexion_Text19_33_85 = 130;
constexpr int Gadget_FTPDatosConexion_StringNombreServidor = 131;
constexpr int Gadget_FTPDatosConexion_Text19_33_85_143 = 132;
constexpr int Gadget_FTPDatosConexion_StringPuerto = 133;
constexpr int Gadget_FTPDatosConexion_Text19 = 134;
constexpr int Gadget_FTPDatosConexion_StringUsuario = 135;
constexpr int Gadget_FTPDatosConexion_Text20 = 136;
constexpr int Gadget_FTPDatosConexion_StringPassword = 137;
constexpr int Gadget_FTPDatosConexion_Text19_33_85_301 = 138;
constexpr int Gadget_FTPDatosConexion_StringRutaImagenes = 139;
constexpr int Gadget_FTPDatosConexion_Text19_33_85_301_306 = 140;
constexpr int Gadget_FTPDatosConexion_CheckBoxPasivo = 141;
constexpr int Gadget_FTPDatosConexion_ButtonCheckConexion = 142;
constexpr int Gadget_FTPDatosConexion_ButtonCancelar = 143;
constexpr int Gadget_FTPDatosConexion_ButtonAceptar = 144;
constexpr int Gadget_FTPDatosConexion_CheckBoxSubirImagenesPrueba = 145;
constexpr int Gadget_FTPDatosConexion_TextProtocolo = 146;
constexpr int Gadget_FTPDatosConexion_FrameProtocolo = 147;
constexpr int Gadget_FTPDatosConexion_OptionFTP = 148;
constexpr int Gadget_FTPDatosConexion_OptionFTPS = 149;
constexpr int Gadget_FTPDatosConexion_OptionSFTP = 150;
constexpr int Gadget_FTPDatosConexion_TextCarpetaPublicacion = 151;
constexpr int Gadget_FTPDatosConexion_StringCarpetaPublicacion = 152;
constexpr int Gadget_FTPDatosConexion_TextCarpetaPublicacionAyuda = 153;

// Window 3 in creation order.
std::span<const ControlSpec> ftpConnectionWindowLayout();

}  // namespace tesselon

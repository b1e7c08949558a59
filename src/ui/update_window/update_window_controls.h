// Numbers of window 4 and of its controls. A control's constant is named after its
// language key; the progress bar, which has no caption, carries a name of the same
// pattern.
#pragma once

#include <span>

#include "ui/window_layout.h"

namespace tesselon {

constexpr int Window_Update = 4;

constexpr int Gadget_Update_Frame3D69 = 146;
constexpr int Gadget_Update_Text73 = 147;
constexpr int Gadget_Update_Text_VersionLocal = 148;
constexpr int Gadget_Update_Frame3D69_70 = 149;
constexpr int Gadget_Update_Text74 = 150;
constexpr int Gadget_Update_Text_VersionInternet = 151;
constexpr int Gadget_Update_Button_Descargar = 152;
constexpr int Gadget_Update_Button_Cancelar = 153;
constexpr int Gadget_Update_Text_Downloading = 154;
constexpr int Gadget_Update_Text_DownloadingB = 155;
constexpr int Gadget_Update_Text_DownloadingCurrentFile = 156;
constexpr int Gadget_Update_ProgressBar = 157;
constexpr int Gadget_Update_CheckBox_ComprobarActualizacion = 158;

// Window 4 in creation order.
std::span<const ControlSpec> updateWindowLayout();

}  // namespace tesselon

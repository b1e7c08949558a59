#include "ui/update_window/update_window_controls.h"

namespace tesselon {

namespace {

using K = ControlKind;

constexpr ControlParent kWindow{0, -1};
constexpr uint32_t kBack = 0x020202;
constexpr uint32_t kWhite = 0xFFFFFF;

constexpr FontSpec constantia(int points, bool italic = false) { return {"Constantia", points, true, italic}; }
constexpr FontSpec arialBold(int points) { return {"Arial", points, true, false}; }

constexpr ControlSpec kUpdateWindow[] = {
    control(Gadget_Update_Frame3D69, K::Frame, kWindow, {10, 0, 285, 50}, "Gadget_Update_Frame3D69")
        .withCaption().withFont(arialBold(14)).spokenAs("Versión instalada"),
    control(Gadget_Update_Text73, K::Text, kWindow, {15, 20, 120, 20}, "Gadget_Update_Text73")
        .withCaption().withStyle(kAlignRight).withFont(constantia(12)).withColours(kBack, kWhite),
    control(Gadget_Update_Text_VersionLocal, K::Text, kWindow, {140, 20, 150, 20}, "Gadget_Update_Text_VersionLocal")
        .withCaption().withFont(arialBold(12)).withColours(kBack, 0x0000AE),
    control(Gadget_Update_Frame3D69_70, K::Frame, kWindow, {10, 50, 285, 50}, "Gadget_Update_Frame3D69_70")
        .withCaption().withFont(arialBold(14)).spokenAs("Versión disponible"),
    control(Gadget_Update_Text74, K::Text, kWindow, {15, 70, 120, 20}, "Gadget_Update_Text74")
        .withCaption().withStyle(kAlignRight).withFont(constantia(12)).withColours(kBack, kWhite),
    control(Gadget_Update_Text_VersionInternet, K::Text, kWindow, {140, 70, 150, 20},
            "Gadget_Update_Text_VersionInternet")
        .withCaption().withFont(arialBold(12)).withColours(kBack, 0xFF8000),
    control(Gadget_Update_Button_Descargar, K::Button, kWindow, {70, 115, 170, 65}, "Gadget_Update_Button_Descargar")
        .withCaption().withStyle(kMultiLine).withFont(constantia(16)),
    control(Gadget_Update_Button_Cancelar, K::Button, kWindow, {15, 270, 275, 40}, "Gadget_Update_Button_Cancelar")
        .withCaption().withFont(constantia(12)),
    control(Gadget_Update_Text_Downloading, K::Text, kWindow, {15, 190, 280, 20}, "Gadget_Update_Text_Downloading")
        .withCaption().withStyle(kAlignCentre).withFont(constantia(12, true)).withColours(kBack, kWhite),
    control(Gadget_Update_Text_DownloadingB, K::Text, kWindow, {70, 210, 90, 20}, "Gadget_Update_Text_DownloadingB")
        .withCaption().withStyle(kAlignRight).withFont(constantia(12, true)).withColours(kBack, kWhite),
    control(Gadget_Update_Text_DownloadingCurrentFile, K::Text, kWindow, {170, 210, 120, 20},
            "Gadget_Update_Text_DownloadingCurrentFile")
        .withCaption().withFont({"Calibri", 12, true, false}).withColours(kBack, 0x00FFFF),
    control(Gadget_Update_ProgressBar, K::ProgressBar, kWindow, {15, 235, 275, 25}, "Gadget_Update_ProgressBar")
        .withColours(kBack, kSystemColour).withRange(0, 100).spokenAs("Progreso de descarga"),
    control(Gadget_Update_CheckBox_ComprobarActualizacion, K::Checkbox, kWindow, {15, 320, 275, 20},
            "Gadget_Update_CheckBox_ComprobarActualizacion")
        .withCaption().withFont({"Constantia", 8, true, false}).withColours(kBack, kWhite),
};

}  // namespace

std::span<const ControlSpec> updateWindowLayout() { return kUpdateWindow; }

}  // namespace tesselon

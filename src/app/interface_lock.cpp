#include "app/interface_lock.h"

#include "ui/control_registry.h"
#include "ui/main_window_controls.h"

namespace tesselon {

const std::array<int, 12>& lockedControls() {
    static constexpr std::array<int, 12> kControls = {
        Gadget_Principal_ButtonImage_ConfigLoad,          Gadget_Principal_ButtonImage_ConfigSave,
        Gadget_Principal_Archivo_String_RutaImagenes,     Gadget_Principal_Archivo_String_RutaImagenesDestino,
        Gadget_Principal_Archivo_ButtonImage_RutaImagenes, Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino,
        Gadget_Principal_Archivo_Option_ExtensionGIF,     Gadget_Principal_Archivo_Option_ExtensionJPG,
        Gadget_Principal_Archivo_Option_ExtensionORIGEN,  Gadget_Principal_Archivo_Option_ExtensionPNG,
        Gadget_Principal_Archivo_CheckBox_Subcarpetas,    Gadget_Principal_Archivo_CheckBox_Sobreescribir};
    return kControls;
}

void applyInterfaceLock(ControlRegistry& controls, int8_t locked) {
    for (int id : lockedControls()) controls.setEnabled(id, locked == 0);
}

}  // namespace tesselon

#include "app/interface_lock.h"

#include "ui/control_registry.h"
#include "ui/format_controls.h"
#include "ui/main_window_controls.h"

namespace tesselon {

const std::vector<int>& lockedControls() {
    static const std::vector<int> kControls = [] {
        std::vector<int> ids = {Gadget_Principal_ButtonImage_ConfigLoad,
                                Gadget_Principal_ButtonImage_ConfigSave,
                                Gadget_Principal_Archivo_String_RutaImagenes,
                                Gadget_Principal_Archivo_String_RutaImagenesDestino,
                                Gadget_Principal_Archivo_ButtonImage_RutaImagenes,
                                Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino,
                                Gadget_Principal_Archivo_Option_ExtensionORIGEN};
        for (const FormatControl& f : resultFormatControls()) ids.push_back(f.id);
        ids.push_back(Gadget_Principal_Archivo_CheckBox_Subcarpetas);
        ids.push_back(Gadget_Principal_Archivo_CheckBox_Sobreescribir);
        return ids;
    }();
    return kControls;
}

void applyInterfaceLock(ControlRegistry& controls, int8_t locked) {
    for (int id : lockedControls()) controls.setEnabled(id, locked == 0);
}

}  // namespace tesselon

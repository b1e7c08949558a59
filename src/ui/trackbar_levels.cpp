#include <charconv>
#include <string>

#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"

namespace tesselon {

float lineSpacingOf(int position) { return float(1 + 0.2 * position); }

namespace {

struct Level {
    int trackbar, label;
};

constexpr Level kLevels[] = {
        {Gadget_Principal_Archivo_TrackBar_GrabarCalidad, Gadget_Principal_Archivo_Text_GrabarCalidad},
        {Gadget_Principal_Basico_TrackBar_Contraste, Gadget_Principal_Basico_Text_Contraste},
        {Gadget_Principal_Basico_TrackBar_CantidadTinte, Gadget_Principal_Basico_Text_CantidadTinte},
        {Gadget_Principal_Basico_TrackBar_ResizeH, Gadget_Principal_Basico_Text_ResizeH},
        {Gadget_Principal_Basico_TrackBar_ResizeV, Gadget_Principal_Basico_Text_ResizeV},
        {Gadget_Principal_TrackBar_Interlineado, Gadget_Principal_Text_Interlineado},
        {Gadget_Principal_TrackBar_TransparenciaInterior, Gadget_Principal_Text_TransparenciaInterior},
        {Gadget_Principal_TrackBar_TransparenciaBorde, Gadget_Principal_Text_TransparenciaBorde},
};

}  // namespace

bool showTrackbarLevel(ControlRegistry& controls, int trackbar) {
    for (const Level& level : kLevels) {
        if (level.trackbar != trackbar) continue;
        const int position = controls.state(trackbar);
        controls.setText(level.label, trackbar == Gadget_Principal_TrackBar_Interlineado
                                          ? lineSpacingText(lineSpacingOf(position))
                                          : std::to_string(position));
        return true;
    }
    return false;
}

void placeTrackbarsAtTheirLabels(ControlRegistry& controls) {
    for (const Level& level : kLevels) {
        if (level.trackbar == Gadget_Principal_TrackBar_Interlineado) continue;  // its label is a factor
        const std::string text = controls.text(level.label);
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size()) controls.setState(level.trackbar, value);
    }
}

}  // namespace tesselon

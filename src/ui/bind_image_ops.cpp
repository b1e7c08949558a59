#include "core/state.h"
#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

int readRotation(ControlRegistry& c) {
    if (c.state(Gadget_Principal_Basico_Option_Rotar0)) return 0;
    if (c.state(Gadget_Principal_Basico_Option_Rotar90)) return 90;
    if (c.state(Gadget_Principal_Basico_Option_Rotar180)) return 180;
    if (c.state(Gadget_Principal_Basico_Option_RotarLibre)) {
        const int angle = wrappedAngle(c.state(Gadget_Principal_Basico_Spin_RotarLibre));
        c.setState(Gadget_Principal_Basico_Spin_RotarLibre, angle);
        return angle;
    }
    return 0;
}

void showRotation(STRProcesosImage& img, ControlRegistry& c) {
    switch (img.Rotar) {
    case 0: c.setState(Gadget_Principal_Basico_Option_Rotar0, 1); break;
    case 90: c.setState(Gadget_Principal_Basico_Option_Rotar90, 1); break;
    case 180: c.setState(Gadget_Principal_Basico_Option_Rotar180, 1); break;
    default:
        c.setState(Gadget_Principal_Basico_Option_RotarLibre, 1);
        img.Rotar = wrappedAngle(img.Rotar);
        c.setState(Gadget_Principal_Basico_Spin_RotarLibre, img.Rotar);
        break;
    }
}

}  // namespace

int wrappedAngle(int angle) { return angle < 0 ? 359 : angle > 359 ? 0 : angle; }

void bindImageOps(AppState& state, ControlRegistry& c, BindDirection direction) {
    STRProcesosImage& img = state.settings.image;
    // Checkboxes and trackbars that mirror one field each.
    struct Flag {
        int control;
        int8_t& field;
    };
    const Flag flags[] = {{Gadget_Principal_Basico_CheckBox_EspejoH, img.EspejoH},
                          {Gadget_Principal_Basico_CheckBox_EspejoV, img.EspejoV},
                          {Gadget_Principal_Basico_CheckBox_TextoEnImagen, img.MarcaDeAgua},
                          {Gadget_Principal_Basico_CheckBox_Invertir, img.InvertirColores},
                          {Gadget_Principal_Basico_CheckBox_EscalaGrises, img.EscalaGrises},
                          {Gadget_Principal_Basico_CheckBox_Tintar, img.TintarImagen},
                          {Gadget_Principal_Basico_CheckBox_ResizeActivo, img.ResizeActivo},
                          {Gadget_Principal_Basico_CheckBox_ResizeProporcional, img.ResizeProporcional},
                          {Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto, img.RotarAntesQueTexto}};
    struct Level {
        int control;
        int32_t& field;
        int label;  // the text showing the number, 0 for none
    };
    const Level levels[] = {{Gadget_Principal_Basico_TrackBar_CantidadTinte, img.TinteCantidad,
                             Gadget_Principal_Basico_Text_CantidadTinte},
                            {Gadget_Principal_Basico_TrackBar_Contraste, img.Contraste,
                             Gadget_Principal_Basico_Text_Contraste},
                            {Gadget_Principal_Basico_TrackBar_ResizeH, img.ResizeH, Gadget_Principal_Basico_Text_ResizeH},
                            {Gadget_Principal_Basico_TrackBar_ResizeV, img.ResizeV, Gadget_Principal_Basico_Text_ResizeV}};

    if (direction == BindDirection::Read) {
        for (const Flag& f : flags) f.field = int8_t(c.state(f.control));
        for (const Level& l : levels) l.field = c.state(l.control);
        img.Rotar = readRotation(c);
        img.ColorFondo = int32_t(c.backColour(Gadget_Principal_Basico_Text_ColorFondo));
        img.TinteColor = int32_t(c.backColour(Gadget_Principal_Basico_Text_ColorTinte));
        return;
    }
    for (const Flag& f : flags) c.setState(f.control, f.field);
    showRotation(img, c);
    c.setBackColour(Gadget_Principal_Basico_Text_ColorFondo, uint32_t(img.ColorFondo));
    c.setBackColour(Gadget_Principal_Basico_Text_ColorTinte, uint32_t(img.TinteColor));
    for (const Level& l : levels) {
        c.setState(l.control, l.field);
        c.setText(l.label, std::to_string(l.field));
    }
}

}  // namespace tesselon

#include "core/frontend.h"
#include "core/state.h"
#include "ui/control_registry.h"
#include "ui/main_events.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

constexpr const char* kProportionalHelpTitle = "Ayuda redimensión proporcional";
constexpr const char* kProportionalHelpText =
    "Activo: El tamaño máximo de la imagen será el ancho definido o el alto."
    "\r\n\r\nLo primero que se encuentre para evitar imágenes con un ancho o alto superior a los señalados.";

// A trackbar whose position goes into `field` and shows in its label.
void takeLevel(ControlRegistry& c, int trackbar, int32_t& field) {
    field = c.state(trackbar);
    showTrackbarLevel(c, trackbar);
}

void takeFreeAngle(MainEventContext& cx) {
    ControlRegistry& c = cx.controls;
    c.setState(Gadget_Principal_Basico_Option_RotarLibre, 1);
    const int angle = wrappedAngle(c.state(Gadget_Principal_Basico_Spin_RotarLibre));
    c.setState(Gadget_Principal_Basico_Spin_RotarLibre, angle);
    cx.state.settings.image.Rotar = angle;
}

}  // namespace

bool handleImageEvent(MainEventContext& cx, int control) {
    STRProcesosImage& img = cx.state.settings.image;
    ControlRegistry& c = cx.controls;
    switch (control) {
    case Gadget_Principal_Basico_CheckBox_EspejoH:
    case Gadget_Principal_Basico_CheckBox_EspejoV:
    case Gadget_Principal_Basico_Option_Rotar0:
    case Gadget_Principal_Basico_Option_Rotar90:
    case Gadget_Principal_Basico_Option_Rotar180:
    case Gadget_Principal_Basico_Option_RotarLibre:
    case Gadget_Principal_Basico_CheckBox_Invertir:
    case Gadget_Principal_Basico_CheckBox_EscalaGrises:
    case Gadget_Principal_Basico_CheckBox_Tintar: refreshPreview(cx); return true;
    case Gadget_Principal_Basico_Spin_RotarLibre:
        takeFreeAngle(cx);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_Basico_ButtonImage_ColorFondo:
        chooseSwatchColour(cx, img.ColorFondo, Gadget_Principal_Basico_Text_ColorFondo);
        return true;
    case Gadget_Principal_Basico_ButtonImage_ColorTinte:
        chooseSwatchColour(cx, img.TinteColor, Gadget_Principal_Basico_Text_ColorTinte);
        return true;
    case Gadget_Principal_Basico_TrackBar_CantidadTinte:
        takeLevel(c, control, img.TinteCantidad);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_Basico_TrackBar_Contraste:
        takeLevel(c, control, img.Contraste);
        refreshPreview(cx);
        return true;
    // The size settings take effect in the batch only, never in the preview.
    case Gadget_Principal_Basico_CheckBox_ResizeActivo: img.ResizeActivo = int8_t(c.state(control)); return true;
    case Gadget_Principal_Basico_CheckBox_ResizeProporcional:
        img.ResizeProporcional = int8_t(c.state(control));
        return true;
    case Gadget_Principal_Basico_Button_ResizeProporcionAyuda:
        cx.state.frontend->messageBox(kProportionalHelpTitle, kProportionalHelpText, MessageButtons::Ok,
                                      MessageIcon::Information);
        return true;
    case Gadget_Principal_Basico_TrackBar_ResizeH:
        takeLevel(c, control, img.ResizeH);
        return true;
    case Gadget_Principal_Basico_TrackBar_ResizeV:
        takeLevel(c, control, img.ResizeV);
        return true;
    case Gadget_Principal_Basico_CheckBox_TextoEnImagen:
        img.MarcaDeAgua = int8_t(c.state(control));
        refreshPreview(cx);
        return true;
    case Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto:
        img.RotarAntesQueTexto = int8_t(c.state(control));
        refreshPreview(cx);
        return true;
    default: return false;
    }
}

}  // namespace tesselon

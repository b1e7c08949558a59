#include "core/state.h"
#include "processing/text/phrases_file.h"
#include "ui/control_registry.h"
#include "ui/main_events.h"
#include "ui/main_window_controls.h"
#include "ui/requesters.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

std::string trimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void choosePhrasesFile(MainEventContext& cx) {
    STRProcesosTexto& texto = cx.state.settings.texto;
    const std::string path = openFileRequester(cx.requesters, "Selecciona el archivo con los textos",
                                               texto.ArchivoFrases, kPhrasesFilters);
    if (path.empty()) return;
    texto.ArchivoFrases = path;
    cx.controls.setText(Gadget_Principal_String_RutaCsvTextos, path);
    readPhrasesFile(path, cx.state.PhrasesList, cx.state.frontend, cx.state.SourceImageList.current);
    refreshPreview(cx);
}

// The watermark replaces the phrases: only one of the two can be edited at a time.
void takeWatermarkSwitch(MainEventContext& cx) {
    ControlRegistry& c = cx.controls;
    const bool watermark = c.state(Gadget_Principal_CheckBox_UsarMarca) != 0;
    c.setEnabled(Gadget_Principal_String_RutaCsvTextos, !watermark);
    c.setEnabled(Gadget_Principal_ButtonImage_RutaCSVTextos, !watermark);
    c.setEnabled(Gadget_Principal_String_MarcaAgua, watermark);
    cx.state.settings.texto.SoloMarcadeAgua = watermark ? 1 : 0;
}

bool isPositionOption(int control) {
    return control >= Gadget_Principal_Option_POSTXT_Left_Up && control <= Gadget_Principal_Option_POSTXT_Right_Bottom;
}

}  // namespace

bool handleTextEvent(MainEventContext& cx, int control) {
    STRProcesosTexto& texto = cx.state.settings.texto;
    STRFuente& fuente = texto.FuenteUsada;
    ControlRegistry& c = cx.controls;
    if (isPositionOption(control)) {
        bindTextPosition(cx.state, c, BindDirection::Read);
        refreshPreview(cx);
        return true;
    }
    switch (control) {
    case Gadget_Principal_ButtonImage_RutaCSVTextos: choosePhrasesFile(cx); return true;
    case Gadget_Principal_CheckBox_UsarMarca:
        takeWatermarkSwitch(cx);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_String_MarcaAgua:
        texto.TextoMarcaAgua = trimBlanks(c.text(control));
        refreshPreview(cx);
        return true;
    case Gadget_Principal_Button_Font:
        describeFont(cx.state, c, &cx.requesters);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_ButtonImage_ColorBorde:
        chooseSwatchColour(cx, fuente.ColorBorde, Gadget_Principal_Text_ColorBordeActual);
        return true;
    case Gadget_Principal_TrackBar_Interlineado:
        fuente.Interlinea = lineSpacingOf(c.state(control));
        showTrackbarLevel(c, control);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_TrackBar_TransparenciaInterior:
        fuente.TransparenciaInterior = c.state(control);
        showTrackbarLevel(c, control);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_TrackBar_TransparenciaBorde:
        fuente.TransparenciaBorde = c.state(control);
        showTrackbarLevel(c, control);
        refreshPreview(cx);
        return true;
    default: return false;
    }
}

}  // namespace tesselon

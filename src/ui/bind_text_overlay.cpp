#include <charconv>

#include "core/state.h"
#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/requesters.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

constexpr int32_t kBoldFlag = 256;
constexpr int32_t kItalicFlag = 512;
constexpr int32_t kUnderlineFlag = 4;
constexpr int32_t kStrikeOutFlag = 8;

struct PositionOption {
    int control;
    int32_t value;
};
// In the order a read scans them.
constexpr PositionOption kPositions[] = {
    {Gadget_Principal_Option_POSTXT_Left_Up, 0},    {Gadget_Principal_Option_POSTXT_Left_Mid, 4},
    {Gadget_Principal_Option_POSTXT_Left_Bottom, 8}, {Gadget_Principal_Option_POSTXT_Mid_Top, 2},
    {Gadget_Principal_Option_POSTXT_Mid_Mid, 6},    {Gadget_Principal_Option_POSTXT_Mid_Bottom, 10},
    {Gadget_Principal_Option_POSTXT_Right_Top, 1},  {Gadget_Principal_Option_POSTXT_Right_Mid, 5},
    {Gadget_Principal_Option_POSTXT_Right_Bottom, 9}};

int roundHalfAway(double v) { return int(v < 0 ? v - 0.5 : v + 0.5); }

}  // namespace

std::string lineSpacingText(double factor) {
    // Independent of the locale, which would write "2,00" in Spanish.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, factor, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

void bindTextOverlay(AppState& state, ControlRegistry& c, BindDirection direction) {
    STRProcesosTexto& texto = state.settings.texto;
    STRFuente& fuente = texto.FuenteUsada;
    if (direction == BindDirection::Read) {
        texto.ArchivoFrases = c.text(Gadget_Principal_String_RutaCsvTextos);
        texto.SoloMarcadeAgua = int8_t(c.state(Gadget_Principal_CheckBox_UsarMarca));
        fuente.Interlinea = lineSpacingOf(c.state(Gadget_Principal_TrackBar_Interlineado));
        fuente.TransparenciaInterior = c.state(Gadget_Principal_TrackBar_TransparenciaInterior);
        fuente.TransparenciaBorde = c.state(Gadget_Principal_TrackBar_TransparenciaBorde);
        fuente.ColorBorde = int32_t(c.backColour(Gadget_Principal_Text_ColorBordeActual));
        return;
    }
    c.setText(Gadget_Principal_String_RutaCsvTextos, texto.ArchivoFrases);
    c.setState(Gadget_Principal_CheckBox_UsarMarca, texto.SoloMarcadeAgua);
    c.setState(Gadget_Principal_TrackBar_Interlineado, roundHalfAway((double(fuente.Interlinea) - 1) * 5));
    c.setState(Gadget_Principal_TrackBar_TransparenciaInterior, fuente.TransparenciaInterior);
    c.setText(Gadget_Principal_Text_TransparenciaInterior, std::to_string(fuente.TransparenciaInterior));
    c.setState(Gadget_Principal_TrackBar_TransparenciaBorde, fuente.TransparenciaBorde);
    c.setText(Gadget_Principal_Text_TransparenciaBorde, std::to_string(fuente.TransparenciaBorde));
    c.setText(Gadget_Principal_Text_Interlineado, lineSpacingText(fuente.Interlinea));
    describeFont(state, c, nullptr);
    c.setBackColour(Gadget_Principal_Text_ColorBordeActual, uint32_t(fuente.ColorBorde));
}

void bindTextPosition(AppState& state, ControlRegistry& c, BindDirection direction) {
    int32_t& position = state.settings.texto.TextoPosicion;
    if (direction == BindDirection::Read) {
        for (const PositionOption& p : kPositions) {
            if (c.state(p.control)) {
                position = p.value;
                return;
            }
        }
        return;
    }
    for (const PositionOption& p : kPositions) c.setState(p.control, 0);
    for (const PositionOption& p : kPositions)
        if (p.value == position) c.setState(p.control, 1);
}

std::string describeFont(AppState& state, ControlRegistry& c, Requesters* requesters) {
    STRFuente& f = state.settings.texto.FuenteUsada;
    if (requesters != nullptr) {
        const FontChoice preset{f.Nombre,        f.Tamagno,          uint32_t(f.Color) & 0xFFFFFF, f.Bold != 0,
                                f.Cursiva != 0, f.Subrayado != 0, f.Tachado != 0};
        if (std::optional<FontChoice> chosen = fontRequester(*requesters, preset)) {
            f.Nombre = chosen->face;
            f.Tamagno = chosen->points;
            f.Color = int32_t(chosen->colour & 0xFFFFFF);
            f.Bold = chosen->bold ? kBoldFlag : 0;
            f.Cursiva = chosen->italic ? kItalicFlag : 0;
            f.Subrayado = chosen->underline ? kUnderlineFlag : 0;
            f.Tachado = chosen->strikeOut ? kStrikeOutFlag : 0;
        }
    }
    std::string description = f.Nombre + ", " + std::to_string(f.Tamagno) + (f.Bold != 0 ? ", Negrita" : ", Normal");
    if (f.Cursiva != 0) description += ", Cursiva";
    if (f.Subrayado != 0) description += ", Subrayado";
    if (f.Tachado != 0) description += ", Tachado";
    c.setText(Gadget_Principal_Text_FuenteUsada, description);
    return description;
}

}  // namespace tesselon

#include "settings/setting_ranges.h"

namespace tesselon {

namespace {

void clamp(std::vector<ClampedSetting>& changed, const char* field, int32_t& value, int32_t low, int32_t high) {
    if (value >= low && value <= high) return;
    const int32_t used = value < low ? low : high;
    changed.push_back({field, value, low, high, used});
    value = used;
}

}  // namespace

std::vector<ClampedSetting> clampToRanges(Settings& settings) {
    std::vector<ClampedSetting> changed;
    clamp(changed, "CalidadGrabacion", settings.entorno.CalidadGrabacion, 10, 100);
    STRFuente& font = settings.texto.FuenteUsada;
    clamp(changed, "TransparenciaInterior", font.TransparenciaInterior, 0, 255);
    clamp(changed, "TransparenciaBorde", font.TransparenciaBorde, 0, 255);
    STRProcesosImage& image = settings.image;
    clamp(changed, "Rotar", image.Rotar, 0, 359);
    clamp(changed, "TinteCantidad", image.TinteCantidad, 0, 100);
    clamp(changed, "Contraste", image.Contraste, 0, 255);
    clamp(changed, "ResizeH", image.ResizeH, 1, 9999);
    clamp(changed, "ResizeV", image.ResizeV, 1, 9999);
    return changed;
}

}  // namespace tesselon

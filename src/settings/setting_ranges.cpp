#include "settings/setting_ranges.h"

namespace tesselon {

namespace {

// Only a field the conversion reads is changed (and told about): a settings file
// section that leaves a field out loads it as 0, which matters only where it is used.
void clamp(std::vector<ClampedSetting>& changed, bool read, const char* field, int32_t& value, int32_t low,
           int32_t high) {
    if (!read || (value >= low && value <= high)) return;
    const int32_t used = value < low ? low : high;
    changed.push_back({field, value, low, high, used});
    value = used;
}

}  // namespace

std::vector<ClampedSetting> clampToRanges(Settings& settings) {
    std::vector<ClampedSetting> changed;
    STRProcesosImage& image = settings.image;
    // 0 is the encoder's own default quality (80).
    clamp(changed, settings.entorno.CalidadGrabacion != 0, "CalidadGrabacion", settings.entorno.CalidadGrabacion,
          10, 100);
    STRFuente& font = settings.texto.FuenteUsada;
    const bool text = image.MarcaDeAgua == 1;
    clamp(changed, text, "TransparenciaInterior", font.TransparenciaInterior, 0, 255);
    clamp(changed, text, "TransparenciaBorde", font.TransparenciaBorde, 0, 255);
    clamp(changed, true, "Rotar", image.Rotar, 0, 359);
    clamp(changed, image.TintarImagen != 0, "TinteCantidad", image.TinteCantidad, 0, 100);
    clamp(changed, true, "Contraste", image.Contraste, 0, 255);
    clamp(changed, image.ResizeActivo != 0, "ResizeH", image.ResizeH, 1, 9999);
    clamp(changed, image.ResizeActivo != 0, "ResizeV", image.ResizeV, 1, 9999);
    return changed;
}

}  // namespace tesselon

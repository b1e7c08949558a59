#include "settings/setting_ranges.h"

#include "settings/settings_sections.h"

namespace tesselon {

namespace {

// Quality 10..100 (0 stays: the encoder's default), the text transparencies 0..255 when
// drawing text, rotation 0..359, the tint amount 0..100 when tinting, contrast 0..255,
// the resize width and height 1..9999 when resizing.
constexpr SettingRange kRanges[] = {
    {kEntornoSection, "CalidadGrabacion", 10, 100, RangeApplies::UnlessZero,
     [](Settings& s) -> int32_t& { return s.entorno.CalidadGrabacion; }},
    {kTextoSection, "FuenteUsada.TransparenciaInterior", 0, 255, RangeApplies::WhenText,
     [](Settings& s) -> int32_t& { return s.texto.FuenteUsada.TransparenciaInterior; }},
    {kTextoSection, "FuenteUsada.TransparenciaBorde", 0, 255, RangeApplies::WhenText,
     [](Settings& s) -> int32_t& { return s.texto.FuenteUsada.TransparenciaBorde; }},
    {kImageSection, "Rotar", 0, 359, RangeApplies::Always, [](Settings& s) -> int32_t& { return s.image.Rotar; }},
    {kImageSection, "TinteCantidad", 0, 100, RangeApplies::WhenTinting,
     [](Settings& s) -> int32_t& { return s.image.TinteCantidad; }},
    {kImageSection, "Contraste", 0, 255, RangeApplies::Always,
     [](Settings& s) -> int32_t& { return s.image.Contraste; }},
    {kImageSection, "ResizeH", 1, 9999, RangeApplies::WhenResizing,
     [](Settings& s) -> int32_t& { return s.image.ResizeH; }},
    {kImageSection, "ResizeV", 1, 9999, RangeApplies::WhenResizing,
     [](Settings& s) -> int32_t& { return s.image.ResizeV; }},
};

// A settings file section that leaves a field out loads it as 0, which matters only
// where the field is used.
bool applies(const SettingRange& range, Settings& settings) {
    switch (range.applies) {
    case RangeApplies::Always: return true;
    case RangeApplies::UnlessZero: return range.field(settings) != 0;
    case RangeApplies::WhenText: return settings.image.MarcaDeAgua == 1;
    case RangeApplies::WhenTinting: return settings.image.TintarImagen != 0;
    case RangeApplies::WhenResizing: return settings.image.ResizeActivo != 0;
    }
    return true;
}

std::string lastPartOf(std::string_view key) {
    const size_t dot = key.rfind('.');
    return std::string(dot == std::string_view::npos ? key : key.substr(dot + 1));
}

}  // namespace

std::span<const SettingRange> settingRanges() { return kRanges; }

std::vector<ClampedSetting> clampToRanges(Settings& settings) {
    std::vector<ClampedSetting> changed;
    for (const SettingRange& range : kRanges) {
        int32_t& value = range.field(settings);
        if (!applies(range, settings) || (value >= range.low && value <= range.high)) continue;
        const int32_t used = value < range.low ? range.low : range.high;
        changed.push_back({lastPartOf(range.key), value, range.low, range.high, used});
        value = used;
    }
    return changed;
}

}  // namespace tesselon

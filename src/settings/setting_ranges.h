// The fixed ranges of the numeric settings a conversion uses. A settings file may hold
// anything (a wrapped 1e18, -2^31); loading keeps it as it is, so that a file is saved
// and shown as it was read, and a conversion brings it into range first. The table
// below is what the conversion applies and what the settings file's manual lists.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"

namespace tesselon {

// When a field's range is applied: only a field the conversion reads is changed.
enum class RangeApplies {
    Always,
    UnlessZero,    // 0 has a meaning of its own (the encoder's default quality)
    WhenText,      // the text is drawn: MarcaDeAgua is 1
    WhenTinting,   // TintarImagen is not 0
    WhenResizing,  // ResizeActivo is not 0
};

struct SettingRange {
    std::string_view section;  // the section line, e.g. "[ProcesosImage]"
    std::string_view key;      // as setting_keys.h names it, e.g. "FuenteUsada.TransparenciaBorde"
    int32_t low = 0;
    int32_t high = 0;
    RangeApplies applies = RangeApplies::Always;
    int32_t& (*field)(Settings&) = nullptr;
};

// Every ranged field, in the order clampToRanges goes through them.
std::span<const SettingRange> settingRanges();

struct ClampedSetting {
    std::string field;   // the key's last part, e.g. "CalidadGrabacion", "TransparenciaBorde"
    int32_t found = 0;   // the value loaded
    int32_t low = 0;
    int32_t high = 0;
    int32_t used = 0;    // the nearest value in low..high
};

// Brings every ranged field that the conversion reads and that lies outside its range
// to the nearest end of it. One record per field changed.
std::vector<ClampedSetting> clampToRanges(Settings& settings);

}  // namespace tesselon

// The fixed ranges of the numeric settings a conversion uses. A settings file may hold
// anything (a wrapped 1e18, -2^31); loading keeps it as it is, so that a file is saved
// and shown as it was read, and a conversion brings it into range first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/records.h"

namespace tesselon {

struct ClampedSetting {
    std::string field;   // as the settings file names it, e.g. "CalidadGrabacion"
    int32_t found = 0;   // the value loaded
    int32_t low = 0;
    int32_t high = 0;
    int32_t used = 0;    // the nearest value in low..high
};

// Brings every ranged field that the conversion reads and that lies outside its range
// to the nearest end of it: quality 10..100 (0 stays: the encoder's default), rotation
// 0..359, contrast 0..255, the tint amount 0..100 when tinting, the resize width and
// height 1..9999 when resizing, the text transparencies 0..255 when drawing text. One
// record per field changed.
std::vector<ClampedSetting> clampToRanges(Settings& settings);

}  // namespace tesselon

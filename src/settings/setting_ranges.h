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

// Brings every ranged field that lies outside its range to the nearest end of it:
// quality 10..100, rotation 0..359, tint amount 0..100, contrast 0..255, resize width
// and height 1..9999, text transparencies 0..255. One record per field changed, in the
// order of the settings file.
std::vector<ClampedSetting> clampToRanges(Settings& settings);

}  // namespace tesselon

// Laying a pixel with alpha over an opaque background colour.
#pragma once

#include <cstdint>

namespace tesselon {

// colour × alpha + background × (1 − alpha), alpha read as alpha / 255, rounded to the
// nearest level: opaque pixels keep their colour exactly, transparent ones become the
// background.
inline uint8_t overBackground(uint8_t colour, uint8_t alpha, uint8_t background) {
    const unsigned mixed = unsigned(colour) * alpha + unsigned(background) * (255u - alpha) + 128u;
    return uint8_t((mixed + (mixed >> 8)) >> 8);
}

}  // namespace tesselon

// Drawing colours are packed 0xAABBGGRR: red in the low byte, alpha in the high byte.
#pragma once

#include <cstdint>

namespace tesselon {

constexpr uint8_t red(uint32_t colour) { return uint8_t(colour & 0xFF); }
constexpr uint8_t green(uint32_t colour) { return uint8_t((colour >> 8) & 0xFF); }
constexpr uint8_t blue(uint32_t colour) { return uint8_t((colour >> 16) & 0xFF); }
constexpr uint8_t alpha(uint32_t colour) { return uint8_t(colour >> 24); }

// Alpha 0: settings colours are stored this way and only get an alpha when drawn.
constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint32_t rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return rgb(r, g, b) | (uint32_t(a) << 24);
}

}  // namespace tesselon

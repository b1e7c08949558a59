// Colours travel through the program as 0x00BBGGRR (red in the low byte).
#pragma once

#include <QColor>
#include <cstdint>

namespace tesselon {

inline QColor toQColor(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

inline uint32_t fromQColor(const QColor& c) {
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

}  // namespace tesselon

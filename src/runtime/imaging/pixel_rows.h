// A read-only view of pixel rows as the encoders receive them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/imaging/image_object.h"

namespace tesselon {

struct PixelRows {
    const uint8_t* pixels = nullptr;  // first row in memory
    int width = 0;
    int height = 0;
    size_t pitch = 0;       // bytes from one row to the next in memory
    int bytesPerPixel = 3;  // 3: blue, green, red; 4: blue, green, red, alpha
    bool bottomUp = true;   // the first row in memory is the bottom row

    // Row y counted from the top of the image.
    const uint8_t* row(int y) const {
        return pixels + size_t(bottomUp ? height - 1 - y : y) * pitch;
    }
    bool valid() const {
        return pixels && width > 0 && height > 0 && (bytesPerPixel == 3 || bytesPerPixel == 4) &&
               pitch >= size_t(width) * size_t(bytesPerPixel);
    }
};

inline PixelRows pixelRowsOf(const ImageObject& image) {
    return PixelRows{image.pixels.data(), image.width, image.height, image.pitch(), image.bytesPerPixel(), true};
}

}  // namespace tesselon

// Small images built by hand for the drawing tests, independent of the codecs.
#pragma once

#include <cstdint>
#include <ostream>

#include "runtime/imaging/image_object.h"

namespace tesselon::testing {

struct Bgra {
    uint8_t b = 0, g = 0, r = 0, a = 255;
    bool operator==(const Bgra&) const = default;
};

// Every pixel set to fill (the alpha byte only for 32-bit images); padding bytes are
// set to 0xEE so that writes into them show up.
inline ImageObject makeImage(int width, int height, int depth, Bgra fill = {}) {
    ImageObject image;
    image.width = int16_t(width);
    image.height = int16_t(height);
    image.depth = uint8_t(depth);
    image.sourceDepth = uint8_t(depth);
    image.pixels.assign(image.pitch() * size_t(height), 0xEE);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += image.bytesPerPixel()) {
            p[0] = fill.b;
            p[1] = fill.g;
            p[2] = fill.r;
            if (depth == 32)
                p[3] = fill.a;
        }
    }
    return image;
}

inline void PrintTo(const Bgra& p, std::ostream* os) {
    *os << "BGRA(" << int(p.b) << ", " << int(p.g) << ", " << int(p.r) << ", " << int(p.a) << ")";
}

inline Bgra pixel(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + x * image.bytesPerPixel();
    return {p[0], p[1], p[2], image.depth == 32 ? p[3] : uint8_t(255)};
}

inline void setPixel(ImageObject& image, int x, int y, Bgra value) {
    uint8_t* p = image.row(y) + x * image.bytesPerPixel();
    p[0] = value.b;
    p[1] = value.g;
    p[2] = value.r;
    if (image.depth == 32)
        p[3] = value.a;
}

}  // namespace tesselon::testing

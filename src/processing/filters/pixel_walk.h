// Visiting the colour bytes of every pixel of a 24- or 32-bit image in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Whether the colour operations can work on the image: pixels present for its size, at
// one of the two depths an image has in memory.
inline bool filterableImage(const ImageObject& image) {
    return (image.depth == 24 || image.depth == 32) && image.valid();
}

// Calls visit(pixel) with a pointer to each pixel's blue byte (green and red follow). The
// order of rows does not matter to a per-pixel operation, so memory order is used; row
// padding and the alpha byte of 32-bit pixels are never passed on.
template <typename Visit>
void forEachPixel(ImageObject& image, Visit visit) {
    // The step is a constant in each loop so that the compiler can unroll and vectorise.
    const auto walk = [&image, &visit](auto step) {
        const size_t pitch = image.pitch();
        uint8_t* row = image.pixels.data();
        for (int y = 0; y < image.height; ++y, row += pitch) {
            uint8_t* p = row;
            for (int x = 0; x < image.width; ++x, p += step()) visit(p);
        }
    };
    if (image.depth == 32)
        walk(std::integral_constant<int, 4>{});
    else
        walk(std::integral_constant<int, 3>{});
}

}  // namespace tesselon

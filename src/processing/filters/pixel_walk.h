// Visiting the colour bytes of every pixel of a 24- or 32-bit image in place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "runtime/imaging/image_object.h"
#include "runtime/threads/parallel_bands.h"

namespace tesselon {

// Whether the colour operations can work on the image: pixels present for its size, at
// one of the two depths an image has in memory.
inline bool filterableImage(const ImageObject& image) {
    return (image.depth == 24 || image.depth == 32) && image.valid();
}

// The fewest rows worth a thread of their own: about a quarter megapixel, so that
// starting the thread costs little next to the work.
inline int minimumBandRows(int width) { return std::max(1, (1 << 18) / std::max(1, width)); }

// Calls visit(pixel) with a pointer to each pixel's blue byte (green and red follow). The
// order of rows does not matter to a per-pixel operation, so memory order is used, in
// bands of rows on up to `threads` threads; the result is the same for any number. Row
// padding and the alpha byte of 32-bit pixels are never passed on.
template <typename Visit>
void forEachPixel(ImageObject& image, Visit visit, int threads = 1) {
    // The step is a constant in each loop so that the compiler can unroll and vectorise.
    const auto walk = [&image, &visit](auto step, int first, int last) {
        const size_t pitch = image.pitch();
        uint8_t* row = image.pixels.data() + size_t(first) * pitch;
        for (int y = first; y < last; ++y, row += pitch) {
            uint8_t* p = row;
            for (int x = 0; x < image.width; ++x, p += step()) visit(p);
        }
    };
    forEachBand(image.height, threads, minimumBandRows(image.width), [&](int first, int last) {
        if (image.depth == 32)
            walk(std::integral_constant<int, 4>{}, first, last);
        else
            walk(std::integral_constant<int, 3>{}, first, last);
    });
}

}  // namespace tesselon

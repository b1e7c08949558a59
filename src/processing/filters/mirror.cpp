#include "processing/filters/mirror.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "processing/filters/pixel_walk.h"

namespace tesselon {

namespace {

template <size_t Bytes>
void reversePixels(uint8_t* row, int width) {
    uint8_t* left = row;
    uint8_t* right = row + size_t(width - 1) * Bytes;
    for (; left < right; left += Bytes, right -= Bytes) {
        uint8_t held[Bytes];
        std::memcpy(held, left, Bytes);
        std::memcpy(left, right, Bytes);
        std::memcpy(right, held, Bytes);
    }
}

}  // namespace

bool mirrorImage(ImageObject& image, bool vertical, int threads) {
    if (!filterableImage(image)) return false;
    const size_t pitch = image.pitch();
    uint8_t* pixels = image.pixels.data();
    if (vertical) {
        // Each band swaps its rows of the upper half with their partners below.
        forEachBand(image.height / 2, threads, minimumBandRows(image.width), [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                uint8_t* top = pixels + size_t(y) * pitch;
                std::swap_ranges(top, top + pitch, pixels + size_t(image.height - 1 - y) * pitch);
            }
        });
        return true;
    }
    forEachBand(image.height, threads, minimumBandRows(image.width), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            if (image.depth == 32)
                reversePixels<4>(pixels + size_t(y) * pitch, image.width);
            else
                reversePixels<3>(pixels + size_t(y) * pitch, image.width);
        }
    });
    return true;
}

}  // namespace tesselon

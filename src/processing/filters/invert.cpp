#include "processing/filters/invert.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <bit>

#include "processing/filters/pixel_walk.h"

namespace tesselon {

void applyInvert(ImageObject& image, int threads) {
    if (!filterableImage(image)) return;
    const size_t pitch = image.pitch();
    forEachBand(image.height, threads, minimumBandRows(image.width), [&](int first, int last) {
        uint8_t* row = image.pixels.data() + size_t(first) * pitch;
        for (int y = first; y < last; ++y, row += pitch) {
            if (image.depth == 24) {
                // A 24-bit row is nothing but colour bytes up to its padding.
                const size_t bytes = size_t(image.width) * 3;
                for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
            } else {
                // Blue, green and red only: the alpha byte (the top one) is kept.
                static_assert(std::endian::native == std::endian::little);
                for (int x = 0; x < image.width; ++x) {
                    uint32_t pixel;
                    std::memcpy(&pixel, row + size_t(x) * 4, 4);
                    pixel ^= 0x00FFFFFFu;
                    std::memcpy(row + size_t(x) * 4, &pixel, 4);
                }
            }
        }
    });
}

}  // namespace tesselon

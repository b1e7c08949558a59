#include "processing/filters/contrast.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/pixel_walk.h"

namespace tesselon {

float contrastFactor(int amount) {
    return float(double(amount + 255) * 259.0 / (double(259 - amount) * 255.0));
}

void applyContrast(ImageObject& image, int amount, int threads) {
    if (amount == 0 || amount < -255 || amount > 255 || !filterableImage(image)) return;
    const float factor = contrastFactor(amount);
    // The result depends on the byte alone, so one table serves all three channels.
    std::array<uint8_t, 256> table;
    for (int c = 0; c < 256; ++c) {
        const float scaled = rounded(float(c - 128) * 1.0f * factor);
        const double v = roundHalfAwayFromZero(double(scaled) + 128.0);
        table[c] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
    // Alpha stays as it is: the contrast of a transparent PNG should not change what
    // shows through it.
    forEachPixel(
        image,
        [&table](uint8_t* p) {
            p[0] = table[p[0]];
            p[1] = table[p[1]];
            p[2] = table[p[2]];
        },
        threads);
}

}  // namespace tesselon

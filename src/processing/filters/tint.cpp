#include "processing/filters/tint.h"

#include <array>

#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/pixel_walk.h"
#include "runtime/drawing/colour.h"

namespace tesselon {

namespace {

using ChannelTable = std::array<uint8_t, 256>;

ChannelTable tintTable(uint8_t component, float a, double k) {
    const double tinted = double(rounded(float(component) * a));
    ChannelTable table;
    for (int c = 0; c < 256; ++c) {
        // Between 0 and 255 by construction: c * k + component * a with k + a = 1.
        table[c] = uint8_t(roundHalfAwayFromZero(rounded(c * k) + tinted));
    }
    return table;
}

}  // namespace

void applyTint(ImageObject& image, uint32_t colour, int amount, int threads) {
    if (amount < 0 || amount > 100 || !filterableImage(image)) return;
    const float a = float(amount) / 100.0f;
    const double k = 1.0 - double(a);
    const ChannelTable toRed = tintTable(red(colour), a, k);
    const ChannelTable toGreen = tintTable(green(colour), a, k);
    const ChannelTable toBlue = tintTable(blue(colour), a, k);
    // Alpha stays as it is: a tinted transparent PNG keeps its transparency.
    forEachPixel(
        image,
        [&](uint8_t* p) {
            p[0] = toBlue[p[0]];
            p[1] = toGreen[p[1]];
            p[2] = toRed[p[2]];
        },
        threads);
}

}  // namespace tesselon

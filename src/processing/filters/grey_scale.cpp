#include "processing/filters/grey_scale.h"

#include <array>
#include <cstdint>

#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/pixel_walk.h"

namespace tesselon {

namespace {

// The red weight is one unit in the last place above the double nearest to 0.299; the
// results of the rounding depend on it.
constexpr double kRedWeight = 0.29900000000000004;
constexpr double kGreenWeight = 0.587;
constexpr double kBlueWeight = 0.114;

}  // namespace

void applyGreyScale(ImageObject& image, int threads) {
    if (!filterableImage(image)) return;
    // Each product is a double that depends on one byte, so tables of the products, added
    // in the formula's order, give the very same sums as multiplying per pixel.
    std::array<double, 256> redPart, greenPart, bluePart;
    for (int v = 0; v < 256; ++v) {
        redPart[v] = v * kRedWeight;
        greenPart[v] = v * kGreenWeight;
        bluePart[v] = v * kBlueWeight;
    }
    // The double sum lies within 1e-12 of (299 R + 587 G + 114 B) / 1000, whose
    // fraction is a whole number of thousandths. Unless that fraction is exactly one
    // half, the rounding therefore gives what the integer rounding gives; at one half
    // the double's own error decides, and the double sum is taken.
    forEachPixel(
        image,
        [&](uint8_t* p) {
            const int thousandths = 299 * p[2] + 587 * p[1] + 114 * p[0];
            uint8_t grey;
            if (thousandths % 1000 != 500) {
                grey = uint8_t((thousandths + 500) / 1000);
            } else {
                const double y = redPart[p[2]] + greenPart[p[1]] + bluePart[p[0]];
                grey = uint8_t(roundHalfAwayFromZero(y));
            }
            p[0] = p[1] = p[2] = grey;
        },
        threads);
}

}  // namespace tesselon

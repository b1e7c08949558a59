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

void applyGreyScale(ImageObject& image) {
    if (!filterableImage(image)) return;
    // Each product is a double that depends on one byte, so tables of the products, added
    // in the formula's order, give the very same sums as multiplying per pixel.
    std::array<double, 256> redPart, greenPart, bluePart;
    for (int v = 0; v < 256; ++v) {
        redPart[v] = v * kRedWeight;
        greenPart[v] = v * kGreenWeight;
        bluePart[v] = v * kBlueWeight;
    }
    // Alpha stays as it is, so that transparent areas remain transparent.
    forEachPixel(image, [&](uint8_t* p) {
        const double y = redPart[p[2]] + greenPart[p[1]] + bluePart[p[0]];
        const uint8_t grey = uint8_t(roundHalfAwayFromZero(y));
        p[0] = p[1] = p[2] = grey;
    });
}

}  // namespace tesselon

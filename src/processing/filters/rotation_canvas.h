// The size of a rectangle turned by a whole number of degrees, and blank canvases of it.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/imaging/image_object.h"

namespace tesselon {

struct RotatedSize {
    int width = 0;
    int height = 0;
};

// The bounding box of a width x height rectangle turned by degrees about a corner,
// computed in single precision from a float angle (so 90 degrees does not give an exact
// zero cosine) and rounded half away from zero. Sizes from 0 to 32767 only.
RotatedSize rotatedSize(int width, int height, int degrees);

// A rotatedSize(width, height, degrees) image filled with colour (0x00BBGGRR): 24-bit
// when transparent is false; otherwise 32-bit, transparent, holding the colour in its
// colour bytes. Nothing when the image cannot be made.
std::optional<ImageObject> makeRotationCanvas(int width, int height, int degrees, uint32_t colour, bool transparent);

}  // namespace tesselon

// Colour negative.
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Red, green and blue become 255 minus their value. The alpha byte of 32-bit images is
// kept (a negative keeps its transparency); a missing image is left alone.
void applyInvert(ImageObject& image, int threads = 1);

}  // namespace tesselon

// Contrast stretched or flattened about the middle grey 128.
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

// (amount + 255) * 259 / ((259 - amount) * 255) in double, kept as a float.
float contrastFactor(int amount);

// Every red, green and blue byte c becomes round((float)(c - 128) * factor + 128.0)
// clamped to 0..255, the product in single precision and the sum in double. Amounts
// outside -255..255 and 0 (no change) leave the image alone, as do a missing image.
// The alpha byte of 32-bit images is kept.
void applyContrast(ImageObject& image, int amount, int threads = 1);

}  // namespace tesselon

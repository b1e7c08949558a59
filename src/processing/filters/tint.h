// Tinting towards a colour.
#pragma once

#include <cstdint>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Each channel c becomes round(c * k + (float)t * a) with a = amount / 100 as a float,
// k = 1.0 - a in double, t the colour's matching component (colour packed 0x00BBGGRR),
// the product with a in single precision and the rest in double. Amount 100 gives the
// colour itself, 0 the image unchanged; amounts outside 0..100 and a missing image leave
// it alone. The alpha byte of 32-bit images is kept.
void applyTint(ImageObject& image, uint32_t colour, int amount, int threads = 1);

}  // namespace tesselon

// Grey scale by the luma weights of television.
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Red, green and blue all become round(R * 0.29900000000000004 + G * 0.587 + B * 0.114),
// evaluated in double from left to right. The alpha byte of 32-bit images is kept; a
// missing image is left alone.
void applyGreyScale(ImageObject& image, int threads = 1);

}  // namespace tesselon

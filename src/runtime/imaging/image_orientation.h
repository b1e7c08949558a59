// Turning a photo upright by its EXIF orientation.
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Rewrites the pixels so that an image stored with EXIF orientation 1 to 8 shows
// upright with orientation 1: mirrored (2, 4), turned half round (3), transposed (5, 7)
// or turned a quarter (6 clockwise, 8 counter-clockwise). 5 to 8 swap width and height.
// Orientation 1 or any other value, and multi-frame images, are left as they are. False, with the image
// unchanged, when memory for the new pixels runs out.
bool orientUpright(ImageObject& image, int orientation);

}  // namespace tesselon

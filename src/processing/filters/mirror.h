// Mirroring left to right or top to bottom.
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Horizontal mirror (vertical false): each row reversed; vertical mirror: the order of
// the rows reversed. Whole pixels move, alpha included; with an odd size the middle
// column or row stays where it is. True when done, false for a missing image.
bool mirrorImage(ImageObject& image, bool vertical, int threads = 1);

}  // namespace tesselon

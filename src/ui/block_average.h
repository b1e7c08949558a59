// The quick first step of a large shrink for the preview panes.
#pragma once

#include <optional>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Each `factor` x `factor` block of pixels becomes one: every channel the mean of the
// block's, rounded half up (the blocks at the right and bottom edges over the pixels they
// have). Empty when memory runs out or the factor is below 1.
std::optional<ImageObject> averageBlocks(const ImageObject& image, int factor);

}  // namespace tesselon

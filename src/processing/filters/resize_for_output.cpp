#include "processing/filters/resize_for_output.h"

#include <algorithm>

#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/pixel_walk.h"
#include "runtime/imaging/image_resize.h"

namespace tesselon {

namespace {

// A rounded size, or 0 when it cannot be an image side. Checked in double before any
// conversion, as a settings file may ask for anything.
int outputSide(float size) {
    const double side = roundHalfAwayFromZero(double(size));
    if (!(side <= kMaxImageDimension)) return 0;
    // A side that rounds to nothing (a long thin strip) keeps one pixel.
    return std::max(int(side), 1);
}

}  // namespace

void resizeForOutput(ImageObject& image, bool proportional, int targetWidth, int targetHeight, BufferPool* pool) {
    if (!filterableImage(image)) return;
    const float w = float(image.width), h = float(image.height);
    float newWidth = float(targetWidth), newHeight = float(targetHeight);
    if (proportional) {
        const int target = w >= h ? targetWidth : targetHeight;
        if (target < 1) return;
        const float factor = float(target) / (w >= h ? w : h);
        newWidth = w * factor;
        newHeight = h * factor;
    } else if (targetWidth < 1 || targetHeight < 1) {
        return;
    }
    const int width = outputSide(newWidth), height = outputSide(newHeight);
    if (width == 0 || height == 0) return;
    resizeImage(image, width, height, ResizeMode::Smooth, pool);
}

}  // namespace tesselon

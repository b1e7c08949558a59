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

BoxedSize sizeInBox(double width, double height, const ResizeBox& box) {
    if (width <= 0 || height <= 0) return {width, height};
    // In single precision, as resizeForOutput reckons: where the box and the records ask
    // for the same side, both give the same pixels.
    const float w = float(width), h = float(height);
    float factor = 0;
    if (box.width > 0) factor = float(box.width) / w;
    if (box.height > 0) {
        const float byHeight = float(box.height) / h;
        factor = factor > 0 ? std::min(factor, byHeight) : byHeight;
    }
    if (factor <= 0 || (box.shrinkOnly && factor >= 1)) return {width, height};
    return {double(w * factor), double(h * factor)};
}

void resizeIntoBox(ImageObject& image, const ResizeBox& box, BufferPool* pool) {
    if (!filterableImage(image)) return;
    const BoxedSize size = sizeInBox(double(image.width), double(image.height), box);
    const int width = outputSide(float(size.width)), height = outputSide(float(size.height));
    if (width == 0 || height == 0 || (width == image.width && height == image.height)) return;
    resizeImage(image, width, height, ResizeMode::Smooth, pool);
}

}  // namespace tesselon

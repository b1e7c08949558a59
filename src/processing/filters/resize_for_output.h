// Bringing an image to the output size the user asked for.
#pragma once

#include "core/job_refinements.h"
#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// Proportional: a landscape or square image gets exactly targetWidth pixels of width, a
// portrait one exactly targetHeight pixels of height, enlarging or shrinking, the other
// side following the aspect ratio (factor and sizes in single precision, rounded half
// away from zero; a side that would round to 0 gets 1). Otherwise the image becomes
// targetWidth x targetHeight. Resized smoothly in place; a missing or multi-frame image,
// a target below 1 pixel or a size beyond the image limits leaves it as it was.
// With a pool, the buffers come from it and the old pixels go back to it.
void resizeForOutput(ImageObject& image, bool proportional, int targetWidth, int targetHeight,
                     BufferPool* pool = nullptr);

// Scales the image, keeping its aspect, to the largest size inside the box (sides
// rounded half away from zero, at least 1); with shrinkOnly an image that fits already
// is left alone. A box without any bound, or an image that cannot be filtered, is left
// as it was.
void resizeIntoBox(ImageObject& image, const ResizeBox& box, BufferPool* pool = nullptr);

// The size resizeIntoBox gives an image of width x height, in double.
struct BoxedSize {
    double width = 0;
    double height = 0;
};
BoxedSize sizeInBox(double width, double height, const ResizeBox& box);

}  // namespace tesselon

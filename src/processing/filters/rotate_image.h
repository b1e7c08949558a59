// Turning an image by any whole number of degrees over a background colour.
#pragma once

#include <cstdint>
#include <optional>

#include "processing/filters/pixel_tone.h"
#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// A new 24-bit image: the source turned clockwise by degrees about its centre, resampled
// with the vector drawing's anti-aliased high-quality filter, on a background of colour
// (0x00BBGGRR) that fills the uncovered corners and a frame of 3 pixels on every side.
// Its size is the turned source's bounding box plus the frame (rotationLayout). The
// result being opaque, a 32-bit source's pixels are first laid over the background by
// their alpha: where the source is clear the background shows, where it is partly clear
// the two mix. Nothing for a missing source or when memory runs out; the source itself is
// never changed.
//
// The picture is made in tiles, spread over up to `threads` threads; the result is the
// same for any number. With a pool, the result's buffer comes from it. With a tone, the
// result is that of toning the source first (PixelTone::Grey: applyGreyScale), the
// background untouched, without the pass over the source that would take.
std::optional<ImageObject> rotateImage(const ImageObject& source, int degrees, uint32_t background, int threads = 1,
                                       BufferPool* pool = nullptr, PixelTone tone = PixelTone::AsIs);

}  // namespace tesselon

// GIF through giflib: every frame composited on the logical screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/imaging/codec_registry.h"

namespace tesselon {

bool probeGif(const uint8_t* data, size_t size);

// 32-bit frames of the logical screen's size, source depth 8. Pixels of a frame's
// transparent index keep what lay beneath; the canvas starts transparent when the first
// frame declares a transparent index and in the background colour otherwise, and the
// disposal methods (keep, restore to that start, restore previous) apply between frames.
// Delays are in milliseconds.
std::optional<ImageObject> decodeGif(const uint8_t* data, size_t size, const DecodeLimits& limits);

}  // namespace tesselon

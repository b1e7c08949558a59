// GIF for the batch's output: one frame with a 256-colour palette learned from the image.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// An image of at most 256 colours keeps them exactly; others get a palette learned from
// their pixels. For 32-bit rows, fully transparent pixels (alpha 0) stay transparent
// through a palette entry of their own, and every other pixel is laid over white first,
// as GIF has no partial transparency. Nothing on failure.
std::optional<std::string> encodeOutputGif(const PixelRows& rows);

}  // namespace tesselon

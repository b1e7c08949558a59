// GIF for the batch's output: one frame with a palette of at most 256 colours.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// An image of at most 256 colours (fully transparent pixels counting as one) keeps them
// exactly; others are reduced by median cut (reducePalette). For 32-bit rows, fully
// transparent pixels (alpha 0) get the transparent index, and every other pixel is laid
// over white first, as GIF has no partial transparency. The colour table is as small as
// the palette allows. The options are not used. Nothing on failure.
std::optional<std::string> encodeGif(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

// The text overlay of a processed image: a block of text laid out, shrunk until it
// fits the image's height, and drawn with an outline at one of nine places.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/image_object.h"
#include "core/records.h"

namespace tesselon {

// Em size used when the settings give a font size of 0.
constexpr int kDefaultTextSize = 26;

// Draws text on the image it is given and returns that image; nothing when no image
// is given. The font is loaded from the record at fontDpi (falling back to bold Arial
// when it cannot be); the size in points becomes the em size in pixels. position
// holds the kText* bits of text_layout.h. When the font cannot be used or the image
// cannot take vector drawing, the image comes back without text.
//
// Safe to call from several threads at once, each with its own image.
std::optional<ImageObject> drawTextBlock(const std::string& text, std::optional<ImageObject> image,
                                         const STRFuente& font, int position, int fontDpi);

}  // namespace tesselon

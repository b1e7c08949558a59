// Drawing placed lines of text onto an image: a 2-pixel outline in one colour, then
// the letters filled in another.
#pragma once

#include <cstdint>
#include <vector>

#include "processing/text/text_layout.h"
#include "runtime/drawing/font.h"
#include "runtime/imaging/image_object.h"
#include "core/records.h"

namespace tesselon {

struct TextColours {
    uint32_t outline = 0;   // 0xAABBGGRR
    uint32_t interior = 0;
};

// The settings' colours with alpha 255 minus each transparency. Transparencies outside
// 0..255 (only a hand-edited settings file holds them) are taken as the nearest end
// rather than wrapping into the alpha byte.
TextColours textColours(const STRFuente& font);

enum class RenderArea {
    // Only a rectangle around the lines' ink (with room for the outline) goes through the
    // vector surface. The pixels come out exactly as with WholeImage, at a cost that
    // depends on the text's size instead of the image's.
    InkCrop,
    // The whole image is the vector surface, every line drawn even far off the image.
    WholeImage,
};

// False when the image cannot take vector drawing (not a valid 24- or 32-bit bitmap,
// or no memory for the surface); the image is then unchanged.
bool renderTextLines(ImageObject& image, const Font& font, double fontSize, const std::vector<PlacedLine>& lines,
                     const TextColours& colours, RenderArea area = RenderArea::InkCrop);

}  // namespace tesselon

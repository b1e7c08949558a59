// Metadata carried inside image files beside the pixels: the EXIF block and the ICC
// colour profile, as sources carry them and results keep them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesselon {

struct EmbeddedMetadata {
    std::string exif;  // a JPEG APP1 payload: "Exif\0\0" and the TIFF structure; empty for none
    std::string icc;   // an ICC profile; empty for none

    bool empty() const { return exif.empty() && icc.empty(); }
};

// What the file carries, as the metadata reader of its format (image_formats.h) finds
// it; empty for formats without one and for files whose headers cannot be read.
EmbeddedMetadata readEmbeddedMetadata(const uint8_t* data, size_t size);

// Whether the profile describes RGB data, the only kind the encoders write: a grey or
// CMYK profile would misdescribe the pixels.
bool isRgbIccProfile(std::string_view icc);

}  // namespace tesselon

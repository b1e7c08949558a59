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

// An EXIF block as other containers store it (the TIFF structure alone, as WebP does;
// behind HEIF's 4-byte offset; or with JPEG's "Exif\0\0" already) as a JPEG APP1
// payload: "Exif\0\0" and the TIFF structure. Empty when no TIFF header is found near
// the start.
std::string exifPayloadOf(std::string_view block);

// The TIFF structure of an APP1 payload, without its "Exif\0\0"; empty when the payload
// does not start so.
std::string_view tiffOfExifPayload(std::string_view payload);

// Whether the profile describes RGB data, the only kind the encoders write: a grey or
// CMYK profile would misdescribe the pixels.
bool isRgbIccProfile(std::string_view icc);

}  // namespace tesselon

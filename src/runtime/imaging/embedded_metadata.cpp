#include "runtime/imaging/embedded_metadata.h"

#include "runtime/imaging/image_formats.h"

namespace tesselon {

namespace {

// An ICC header is 128 bytes followed by the tag count; the data colour space is the
// four-character signature at offset 16.
constexpr size_t kIccHeaderSize = 132;
constexpr size_t kIccColourSpaceOffset = 16;

constexpr std::string_view kExifPrefix{"Exif\0\0", 6};
// How far into a block its TIFF header may start: past HEIF's offset field and a prefix.
constexpr size_t kTiffHeaderSearch = 16;

bool isTiffHeader(std::string_view at) {
    return at.size() >= 4 && (at.substr(0, 4) == std::string_view("II*\0", 4) || at.substr(0, 4) == std::string_view("MM\0*", 4));
}

}  // namespace

std::string exifPayloadOf(std::string_view block) {
    for (size_t at = 0; at <= kTiffHeaderSearch && at < block.size(); ++at) {
        if (isTiffHeader(block.substr(at))) return std::string(kExifPrefix) + std::string(block.substr(at));
    }
    return {};
}

std::string_view tiffOfExifPayload(std::string_view payload) {
    if (payload.substr(0, kExifPrefix.size()) != kExifPrefix) return {};
    return payload.substr(kExifPrefix.size());
}

EmbeddedMetadata readEmbeddedMetadata(const uint8_t* data, size_t size) {
    for (const ImageFormat& format : imageFormats()) {
        if (format.readMetadata && format.probe(data, size)) return format.readMetadata(data, size);
    }
    return {};
}

bool isRgbIccProfile(std::string_view icc) {
    return icc.size() >= kIccHeaderSize && icc.substr(kIccColourSpaceOffset, 4) == "RGB ";
}

}  // namespace tesselon

#include "runtime/imaging/embedded_metadata.h"

#include "runtime/imaging/image_formats.h"

namespace tesselon {

namespace {

// An ICC header is 128 bytes followed by the tag count; the data colour space is the
// four-character signature at offset 16.
constexpr size_t kIccHeaderSize = 132;
constexpr size_t kIccColourSpaceOffset = 16;

}  // namespace

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

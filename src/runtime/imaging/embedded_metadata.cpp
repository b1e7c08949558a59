#include "runtime/imaging/embedded_metadata.h"

#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/jpeg_metadata.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging/png_metadata.h"

namespace tesselon {

namespace {

// An ICC header is 128 bytes followed by the tag count; the data colour space is the
// four-character signature at offset 16.
constexpr size_t kIccHeaderSize = 132;
constexpr size_t kIccColourSpaceOffset = 16;

}  // namespace

EmbeddedMetadata readEmbeddedMetadata(const uint8_t* data, size_t size) {
    if (probeJpeg(data, size)) return readJpegMetadata(data, size);
    EmbeddedMetadata metadata;
    if (probePng(data, size)) metadata.icc = readPngIccProfile(data, size);
    return metadata;
}

bool isRgbIccProfile(std::string_view icc) {
    return icc.size() >= kIccHeaderSize && icc.substr(kIccColourSpaceOffset, 4) == "RGB ";
}

}  // namespace tesselon

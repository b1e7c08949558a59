// EXIF and ICC profile of JPEG files, through libjpeg's marker handling.
#pragma once

#include <cstddef>
#include <cstdint>

#include <cstdio>
#include <jpeglib.h>

#include "runtime/imaging/embedded_metadata.h"

namespace tesselon {

// The first APP1 marker that holds EXIF, and the ICC profile spread over APP2 markers.
// Only the headers before the image data are read.
EmbeddedMetadata readJpegMetadata(const uint8_t* data, size_t size);

// Writes the metadata as markers right after the file header; call between
// jpeg_start_compress and the first scanline. An EXIF block too large for one marker
// is left out; a profile that is not RGB too.
void writeJpegMetadata(j_compress_ptr cinfo, const EmbeddedMetadata& metadata);

}  // namespace tesselon

// HEIC and HEIF through libheif: decoding with the HEVC and AV1 decoders Debian builds it
// with, encoding HEVC where an encoder is installed (x265 in Debian's build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

class ByteReader;
struct DeclaredImage;

// A file type box naming a HEIF brand (heic, heix, mif1 and the like); AVIF files are
// the AVIF decoder's, registered before it.
bool probeHeif(const uint8_t* data, size_t size);

// The primary image as 24-bit pixels, or 32-bit when it has an alpha image; deeper
// samples are scaled to 8 bits. libheif applies the crop, rotation and mirror the file
// declares, as they are part of how the image shows. Source depth 24 or 32.
std::optional<ImageObject> decodeHeif(const uint8_t* data, size_t size, const DecodeLimits& limits);

// The size from the item properties, and the decoder's working memory.
void declareHeif(ByteReader& reader, DeclaredImage& declared);

// The primary image's Exif block and ICC profile.
EmbeddedMetadata readHeifMetadata(const uint8_t* data, size_t size);

// Whether libheif has an HEVC encoder here.
bool heicEncoderPresent();

// HEVC at the options' quality as libheif's lossy quality, with an alpha image only when a pixel is not
// opaque. The metadata goes into an Exif item and the colour profile; an EXIF orientation
// other than upright also becomes the image's rotation and mirror, as AVIF does. x265
// runs a pool of the options' threads (by itself it would take every core).
std::optional<std::string> encodeHeic(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

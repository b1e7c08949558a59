// AVIF through libavif: decoding with the AV1 decoders Debian builds it with (dav1d
// first), encoding with its AV1 encoder (libaom).
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

// A file type box naming the AVIF brands ("avif", or "avis" for sequences).
bool probeAvif(const uint8_t* data, size_t size);

// The primary image (the first frame of a sequence) as 24-bit pixels, or 32-bit when it
// has an alpha plane; samples deeper than 8 bits are scaled to 8. The clean aperture,
// rotation and mirror the file declares are applied, as they are part of how the image
// shows. Source depth 24 or 32.
std::optional<ImageObject> decodeAvif(const uint8_t* data, size_t size, const DecodeLimits& limits);

// The size from the item properties, and the decoder's working memory.
void declareAvif(ByteReader& reader, DeclaredImage& declared);

// The Exif item and the ICC profile.
EmbeddedMetadata readAvifMetadata(const uint8_t* data, size_t size);

// 8-bit 4:2:0 at the options' quality (mapped onto AV1's quantizer as libavif 1.0 does),
// encoder speed 6 as avifenc uses by default, in tiles of at least 512 pixels a side
// that the options' threads share out; the bytes depend on the size alone, not on the
// threads. An alpha plane only when a pixel is not opaque. The metadata goes into an Exif item and the colour box.
std::optional<std::string> encodeAvif(const PixelRows& rows, const EncodeOptions& options);

// The EXIF orientation (1 to 8) that a HEIF rotation ('irot', quarter turns
// anti-clockwise, -1 when none) followed by a mirror ('imir': 0 top and bottom exchanged,
// 1 left and right, -1 when none) amounts to.
int orientationOfTransforms(int quarterTurns, int mirrorMode);

}  // namespace tesselon

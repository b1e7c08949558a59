// WebP through libwebp: still images, and the first frame of animations.
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

bool probeWebp(const uint8_t* data, size_t size);

// 24-bit pixels for files without alpha, 32-bit for files with it and for animations,
// whose first frame is composed on the canvas as it shows (uncovered canvas
// transparent). Source depth 24 or 32.
std::optional<ImageObject> decodeWebp(const uint8_t* data, size_t size, const DecodeLimits& limits);

// The canvas size, the frames of an animation, and the decoder's working memory.
void declareWebp(ByteReader& reader, DeclaredImage& declared);

// The EXIF and ICCP chunks.
EmbeddedMetadata readWebpMetadata(const uint8_t* data, size_t size);

// Lossy WebP at the options' quality with libwebp's default settings otherwise, as
// `cwebp -q` writes it (method 4, no sharp YUV, alpha compressed losslessly when a pixel
// is not opaque; `cwebp -mt` with more than one of the options' threads). The metadata
// goes into EXIF and ICCP chunks.
std::optional<std::string> encodeWebp(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

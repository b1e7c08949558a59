// JPEG through libjpeg (libjpeg-turbo's extended colour spaces).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

bool probeJpeg(const uint8_t* data, size_t size);

// Grey, colour and CMYK (Adobe's inverted CMYK too) to 24-bit pixels; the source depth is
// 8 per colour component. Data that ends before the image does is a failure.
std::optional<ImageObject> decodeJpeg(const uint8_t* data, size_t size, const DecodeLimits& limits);

// A progressive file's picture as its first scans give it, decoded at an eighth, a
// quarter or a half of its size (the smallest whose longer side reaches `longSide`): the
// look of the image long before all its scans are read. Nothing for a file of a single
// scan, one too small for a half, or a failure.
std::optional<ImageObject> decodeJpegFirstScans(const uint8_t* data, size_t size, const DecodeLimits& limits,
                                                int longSide);

// Three-component JPEG with libjpeg's defaults at the options' quality (0 gives libjpeg's
// lowest); the depth is not used. 32-bit rows are read as blue, green, red with the
// alpha byte ignored. The metadata, when given, is written after the file header.
std::optional<std::string> encodeJpeg(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

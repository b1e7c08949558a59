// Windows bitmap files: uncompressed 1, 4, 8, 24 and 32 bits per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

bool probeBmp(const uint8_t* data, size_t size);
std::optional<ImageObject> decodeBmp(const uint8_t* data, size_t size, const DecodeLimits& limits);

// 24-bit rows give a 24-bit file, 32-bit rows a 32-bit file that keeps the alpha bytes
// when the requested depth is 32, and a 24-bit file over white otherwise; the quality is
// not used.
std::optional<std::string> encodeBmp(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

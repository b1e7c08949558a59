// PNG through libpng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"

namespace tesselon {

bool probePng(const uint8_t* data, size_t size);

// Every colour type and bit depth: 16-bit samples are scaled to 8, palette and grey
// are expanded to blue-green-red, and the result is 32-bit when the file has an alpha
// channel or a transparency chunk. The source depth is the file's bit depth for palette
// and grey files, 24 or 32 for true colour.
std::optional<ImageObject> decodePng(const uint8_t* data, size_t size, const DecodeLimits& limits);

// Unfiltered, zlib level 9, not interlaced. Depth 16, 24 or 32: 8-bit RGB, or RGBA for
// 32-bit rows at depth 32. Depth 1, 2, 4 or 8: a palette of 2^depth entries (black
// and white for depth 1, a learned palette otherwise), alpha dropped. Quality unused.
std::optional<std::string> encodePng(const EncodeRequest& request);

}  // namespace tesselon

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

// How hard libpng works: the registry's encoder writes unfiltered rows at zlib level 9;
// callers that save many photographs choose a faster setting.
struct PngCompression {
    int zlibLevel = 9;
    int filters = 0x08;       // libpng's filter mask; PNG_FILTER_NONE
    int zlibStrategy = 0;     // Z_DEFAULT_STRATEGY
};

// Adaptive filtering at zlib level 4: files within about 1% of libpng's defaults (level 6)
// in about 60% of the time, measured on photographs, noise and flat graphics. Level 3 and
// below lose lazy matching and double the size of flat graphics; a single fixed filter
// costs 10-15% on photographs.
PngCompression fastPngCompression();

// Unfiltered, zlib level 9 (or `compression`), not interlaced. Depth 16, 24 or 32: 8-bit RGB, or RGBA for
// 32-bit rows at depth 32. Depth 1, 2, 4 or 8: a palette of at most 2^depth entries with
// a transparency chunk for the alpha of 32-bit rows. An image with no more colours
// (alpha included, all fully transparent pixels counting as one) keeps them exactly;
// otherwise depth 1 is black and white over white, and deeper palettes are learned
// (indexPixels with NeuQuant). Quality unused. The request's metadata contributes its
// ICC profile.
std::optional<std::string> encodePng(const EncodeRequest& request, const PngCompression& compression = {});

}  // namespace tesselon

// PNG through libpng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

bool probePng(const uint8_t* data, size_t size);

// Every colour type and bit depth: 16-bit samples are scaled to 8, palette and grey
// are expanded to blue-green-red, and the result is 32-bit when the file has an alpha
// channel or a transparency chunk. The source depth is the file's bit depth for palette
// and grey files, 24 or 32 for true colour.
std::optional<ImageObject> decodePng(const uint8_t* data, size_t size, const DecodeLimits& limits);

// Not interlaced; at EncodeEffort::Smallest unfiltered at zlib level 9, at Quick with
// adaptive filtering at zlib level 4 (files within about 1% of libpng's defaults, level
// 6, in about 60% of the time, measured on photographs, noise and flat graphics; level 3
// and below lose lazy matching and double the size of flat graphics, and a single fixed
// filter costs 10-15% on photographs). Depth 16, 24 or 32: 8-bit RGB, or RGBA for 32-bit
// rows at depth 32. Depth 1, 2, 4 or 8: a palette of at most 2^depth entries with a
// transparency chunk for the alpha of 32-bit rows. An image with no more colours (alpha
// included, all fully transparent pixels counting as one) keeps them exactly; otherwise
// depth 1 is black and white over white, and deeper palettes are learned (indexPixels
// with NeuQuant). Quality unused. The metadata contributes its ICC profile.
std::optional<std::string> encodePng(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon

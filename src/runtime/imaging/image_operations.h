// Making images: blank, decoded from memory or a file, copied and cut out.
//
// None of these throws; a failure gives no image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The fill colour that makes a 32-bit image fully transparent black (-1 as a signed colour).
constexpr uint32_t kTransparentFill = 0xFFFFFFFF;

// A 32-bit image (depth 32) or a 24-bit one (any other depth) filled with the colour,
// packed 0xAABBGGRR. In a 32-bit image every colour but kTransparentFill is stored opaque;
// a 24-bit image takes the red, green and blue only. Source depth = depth.
std::optional<ImageObject> createImage(int width, int height, int depth, uint32_t colour);

// The first registered decoder whose probe accepts the data decodes it; its format code
// is stored in the image. Nothing when no decoder accepts the data or decoding fails.
// With a pool, the pixels go into a buffer kept there when one fits.
std::optional<ImageObject> catchImage(const uint8_t* data, size_t size, const CodecRegistry& registry,
                                      BufferPool* pool = nullptr);
// The same within other limits than the registry's (and their pool).
std::optional<ImageObject> catchImage(const uint8_t* data, size_t size, const CodecRegistry& registry,
                                      const DecodeLimits& limits);

// Reads the whole file and decodes it as catchImage does; a short read, a file that is
// not a regular one and a file larger than kMaxImageFileBytes are failures.
std::optional<ImageObject> loadImage(std::string_view path, const CodecRegistry& registry,
                                     BufferPool* pool = nullptr);

// An exact duplicate: pixels, frames, depth, source depth and format code. With a pool,
// the first frame's pixels go into a buffer kept there when one fits.
std::optional<ImageObject> copyImage(const ImageObject& source, BufferPool* pool = nullptr);

// A width x height image of the source's depth and source depth holding the source's
// rectangle whose top-left corner is (x, y); parts outside the source stay zero.
std::optional<ImageObject> grabImage(const ImageObject& source, int x, int y, int width, int height);

}  // namespace tesselon

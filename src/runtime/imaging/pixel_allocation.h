// Making the pixel buffer of a new image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_limits.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// Sizes a large working buffer to `count` zero elements, on transparent huge pages where
// the system offers them (the buffer is advised before its first touch). May throw
// std::bad_alloc.
void sizeBuffer(std::vector<uint8_t>& buffer, size_t count);
void sizeBuffer(std::vector<float>& buffer, size_t count);

// A 24-bit image (any depth but 32) or a 32-bit one, all bytes zero, source depth equal
// to depth; nothing when the size is outside the limits or memory runs out.
std::optional<ImageObject> allocateImage(int width, int height, int depth, uint64_t maxPixels = kMaxImagePixels) noexcept;

// The same for an image whose every pixel byte the caller is about to write: its buffer
// comes from `pool` when that holds one large enough, and its contents are then
// unspecified. Without a pool it is a fresh, zeroed one.
std::optional<ImageObject> allocateImageToOverwrite(int width, int height, int depth, BufferPool* pool,
                                                    uint64_t maxPixels = kMaxImagePixels) noexcept;

}  // namespace tesselon

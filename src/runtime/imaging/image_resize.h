// Changing an image's size in place.
#pragma once

#include <optional>

#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"
#include "runtime/imaging/resize_kernels.h"

namespace tesselon {

// A dimension passed as this keeps its current size.
constexpr int kKeepDimension = -65535;

enum class ResizeMode {
    Smooth,  // 32-bit: Mitchell-Netravali on all four channels; 24-bit: area averaging
    Raw,     // nearest neighbour
};

// Smooth resizing filters one axis, then the other; this says which goes first: the one
// that gives the smaller intermediate image.
bool verticalPassFirst(int oldWidth, int oldHeight, int newWidth, int newHeight);

// Returns true when the image has the new size (at once when it already had it). Fails,
// leaving the image as it was, for multi-frame images, sizes outside 1..32767 or beyond
// the pixel limit, and when memory runs out.
// With a pool, the new and intermediate buffers come from it and the old pixels go back
// to it.
bool resizeImage(ImageObject& image, int width, int height, ResizeMode mode = ResizeMode::Smooth,
                 BufferPool* pool = nullptr);

// The same picture at the new size as a new image (the same size gives a copy), the
// image itself untouched; nothing where resizeImage fails. `code` chooses the code of the
// smooth filters' sums, which gives the same bytes either way.
std::optional<ImageObject> resizedImage(const ImageObject& image, int width, int height,
                                        ResizeMode mode = ResizeMode::Smooth, BufferPool* pool = nullptr,
                                        KernelCode code = KernelCode::Fastest);

}  // namespace tesselon

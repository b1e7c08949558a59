// Large buffers kept for reuse between images.
//
// A worker that converts one image after another needs buffers of much the same sizes
// each time: the decoded pixels, the turned image, the resize's intermediate. Fresh ones
// come from the kernel as untouched pages that are zeroed one by one on first use, which
// costs more than the work later done in them; a buffer taken from the pool is memory
// the worker already has.
//
// Not thread-safe: each worker owns its own pool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/imaging/image_object.h"

namespace tesselon {

class BufferPool {
public:
    // Buffers below this size are cheap to make anew and are not kept.
    static constexpr size_t kSmallestKeptBytes = size_t(1) << 20;
    // At most this many buffers of each element type are kept; the smallest goes first.
    static constexpr size_t kMostKept = 6;

    // Gives `buffer` exactly `count` elements. A kept buffer large enough is used when
    // there is one, and its contents are then whatever they were: callers write every
    // element. A fresh buffer is zero-filled. May throw std::bad_alloc.
    void take(std::vector<uint8_t>& buffer, size_t count);
    void take(std::vector<float>& buffer, size_t count);

    // Keeps the buffer's memory for a later take; the vector is left empty.
    void give(std::vector<uint8_t>& buffer);
    void give(std::vector<float>& buffer);
    // The pixels of the image and of its frames; the image is left empty.
    void give(ImageObject& image);

    // Everything kept, the file bytes' buffer included.
    size_t keptBytes() const;
    // Frees kept buffers, the largest first, until at most `bytes` are kept.
    void trimTo(size_t bytes);

    // Where a source file's bytes are read into, one file after another.
    std::string& fileBytes() { return file_; }

private:
    size_t fileHeapBytes() const;

    std::vector<std::vector<uint8_t>> bytes_;
    std::vector<std::vector<float>> floats_;
    std::string file_;
};

}  // namespace tesselon

// Bounds on what the decoders accept, so that hostile or broken files fail cleanly
// instead of exhausting memory or time; and where the decoders take pixel buffers.
#pragma once

#include <cstdint>

#include "runtime/imaging/image_object.h"

namespace tesselon {

class BufferPool;

// 2^28 pixels (16384 x 16384, a 1 GiB 32-bit buffer): far beyond any photograph the
// program handles, well below what 16-bit dimensions (32767 x 32767) could ask for.
// Created and resized images obey it too, so no image in memory is larger.
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 28;

// Pixel memory of every frame of one animation together.
constexpr uint64_t kMaxTotalFrameBytes = uint64_t(1) << 30;

// Frames of one animation; each stored frame costs a full canvas besides its pixels.
constexpr int kMaxFrames = 10000;

// Working memory a codec library may take besides the pixels (libjpeg's coefficient
// arrays for progressive files, libtiff's strip and tile buffers).
constexpr uint64_t kMaxCodecMemory = uint64_t(1) << 30;

// libjpeg-turbo's own tools stop progressive files after 500 scans: a crafted file with
// thousands of tiny scans otherwise keeps a decoder busy for minutes.
constexpr int kMaxJpegScans = 500;

struct DecodeLimits {
    uint64_t maxPixels = kMaxImagePixels;
    uint64_t maxTotalFrameBytes = kMaxTotalFrameBytes;
    int maxFrames = kMaxFrames;
    uint64_t maxCodecMemory = kMaxCodecMemory;
    int maxJpegScans = kMaxJpegScans;
    // Decoders that write every pixel take their buffer from here when it is set (a
    // worker's pool of buffers kept between images), else fresh memory.
    BufferPool* pool = nullptr;
};

// Whether width x height is a size an image may have under these limits.
constexpr bool imageSizeAllowed(int64_t width, int64_t height, uint64_t maxPixels = kMaxImagePixels) {
    return width > 0 && height > 0 && width <= kMaxImageDimension && height <= kMaxImageDimension &&
           uint64_t(width) * uint64_t(height) <= maxPixels;
}

}  // namespace tesselon

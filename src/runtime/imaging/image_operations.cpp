#include "runtime/imaging/image_operations.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

std::optional<ImageObject> createImage(int width, int height, int depth, uint32_t colour) {
    std::optional<ImageObject> image = allocateImage(width, height, depth);
    if (!image) return std::nullopt;
    const uint8_t red = uint8_t(colour), green = uint8_t(colour >> 8), blue = uint8_t(colour >> 16);
    if (image->depth == 32) {
        if (colour == kTransparentFill) return image;  // already all zero
        const uint8_t pixel[4] = {blue, green, red, 255};
        for (size_t i = 0; i < image->pixels.size(); i += 4) std::memcpy(&image->pixels[i], pixel, 4);
    } else {
        const uint8_t pixel[3] = {blue, green, red};
        for (int y = 0; y < height; ++y) {
            uint8_t* row = image->row(y);
            for (int x = 0; x < width; ++x) std::memcpy(row + size_t(x) * 3, pixel, 3);
        }
    }
    return image;
}

std::optional<ImageObject> catchImage(const uint8_t* data, size_t size, const CodecRegistry& registry,
                                      BufferPool* pool) {
    DecodeLimits limits = registry.limits();
    limits.pool = pool;
    return catchImage(data, size, registry, limits);
}

std::optional<ImageObject> catchImage(const uint8_t* data, size_t size, const CodecRegistry& registry,
                                      const DecodeLimits& limits) {
    if (!data || size == 0) return std::nullopt;
    for (const DecoderEntry& decoder : registry.decoders()) {
        if (!decoder.probe(data, size)) continue;
        std::optional<ImageObject> image;
        try {
            image = decoder.decode(data, size, limits);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        if (!image || !image->valid()) return std::nullopt;
        image->format = decoder.format;
        return image;
    }
    return std::nullopt;
}

std::optional<ImageObject> loadImage(std::string_view path, const CodecRegistry& registry, BufferPool* pool) {
    std::string ownBytes;
    std::string& data = pool ? pool->fileBytes() : ownBytes;
    try {
        if (!readWholeFile(path, data, kMaxImageFileBytes)) return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return catchImage(reinterpret_cast<const uint8_t*>(data.data()), data.size(), registry, pool);
}

std::optional<ImageObject> copyImage(const ImageObject& source, BufferPool* pool) {
    if (!source.valid()) return std::nullopt;
    try {
        if (!pool || !source.frames.empty()) return source;
        ImageObject copy;
        pool->take(copy.pixels, source.pixels.size());
        std::memcpy(copy.pixels.data(), source.pixels.data(), source.pixels.size());
        copy.width = source.width;
        copy.height = source.height;
        copy.depth = source.depth;
        copy.sourceDepth = source.sourceDepth;
        copy.format = source.format;
        copy.frameCount = source.frameCount;
        copy.firstFrameDelayMs = source.firstFrameDelayMs;
        return copy;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<ImageObject> grabImage(const ImageObject& source, int x, int y, int width, int height) {
    if (!source.valid()) return std::nullopt;
    std::optional<ImageObject> image = allocateImage(width, height, source.depth);
    if (!image) return std::nullopt;
    image->sourceDepth = source.sourceDepth;
    image->format = source.format;
    // The part of the rectangle that lies on the source, in source coordinates.
    const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(int64_t(x) + width, source.width);
    const int64_t top = std::max<int64_t>(y, 0), bottom = std::min<int64_t>(int64_t(y) + height, source.height);
    if (left >= right || top >= bottom) return image;
    const size_t bpp = size_t(source.bytesPerPixel());
    for (int64_t sy = top; sy < bottom; ++sy) {
        std::memcpy(image->row(int(sy - y)) + size_t(left - x) * bpp, source.row(int(sy)) + size_t(left) * bpp,
                    size_t(right - left) * bpp);
    }
    return image;
}

}  // namespace tesselon

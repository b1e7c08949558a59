#include "runtime/imaging/pixel_allocation.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace tesselon {

namespace {

// Past this size a buffer asks for transparent huge pages before it is first touched:
// filling a 12-megapixel image in 4 KiB pages costs some 9000 page faults, about a
// third of the time libjpeg needs to decode it.
constexpr size_t kHugePageThreshold = size_t(4) << 20;

void preferHugePages(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kPage = 4096;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kPage - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);  // advice only
#else
    (void)data;
    (void)size;
#endif
}

template <typename T>
void sizeWithHugePages(std::vector<T>& buffer, size_t count) {
    buffer.clear();
    buffer.reserve(count);  // allocated, not yet touched
    if (count * sizeof(T) >= kHugePageThreshold) preferHugePages(buffer.data(), count * sizeof(T));
    buffer.resize(count);
}

}  // namespace

void sizeBuffer(std::vector<uint8_t>& buffer, size_t count) { sizeWithHugePages(buffer, count); }
void sizeBuffer(std::vector<float>& buffer, size_t count) { sizeWithHugePages(buffer, count); }

std::optional<ImageObject> allocateImage(int width, int height, int depth, uint64_t maxPixels) noexcept {
    return allocateImageToOverwrite(width, height, depth, nullptr, maxPixels);
}

std::optional<ImageObject> allocateImageToOverwrite(int width, int height, int depth, BufferPool* pool,
                                                    uint64_t maxPixels) noexcept {
    if (!imageSizeAllowed(width, height, maxPixels)) return std::nullopt;
    try {
        ImageObject image;
        image.width = int16_t(width);
        image.height = int16_t(height);
        image.depth = depth == 32 ? 32 : 24;
        image.sourceDepth = image.depth;
        const size_t bytes = image.pitch() * size_t(height);
        if (!pool) {
            sizeBuffer(image.pixels, bytes);
            return image;
        }
        pool->take(image.pixels, bytes);
        // Writers fill the pixels of each row, not the padding after them, which stays
        // zero as in a fresh buffer so that equal pictures have equal bytes.
        const size_t used = size_t(width) * size_t(image.bytesPerPixel());
        if (used < image.pitch())
            for (int y = 0; y < height; ++y)
                std::memset(image.pixels.data() + size_t(y) * image.pitch() + used, 0, image.pitch() - used);
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon

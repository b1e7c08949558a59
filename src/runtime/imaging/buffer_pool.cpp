#include "runtime/imaging/buffer_pool.h"

#include <algorithm>

#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

template <typename T>
void takeFrom(std::vector<std::vector<T>>& kept, std::vector<T>& buffer, size_t count) {
    if (buffer.capacity() < count) {
        auto best = kept.end();
        for (auto it = kept.begin(); it != kept.end(); ++it)
            if (it->capacity() >= count && (best == kept.end() || it->capacity() < best->capacity())) best = it;
        if (best == kept.end()) {
            // Room to spare, so that the next image, a little larger (a turn by a few
            // degrees more, say), still fits.
            sizeBuffer(buffer, count + count / 8);
            buffer.resize(count);
            return;
        }
        buffer.swap(*best);
        kept.erase(best);
    }
    // Shrinking writes nothing; growing within the capacity zero-fills only the tail.
    buffer.resize(count);
}

template <typename T>
void giveTo(std::vector<std::vector<T>>& kept, std::vector<T>& buffer) {
    if (buffer.capacity() * sizeof(T) >= BufferPool::kSmallestKeptBytes) {
        kept.push_back(std::move(buffer));
        if (kept.size() > BufferPool::kMostKept) {
            kept.erase(std::min_element(kept.begin(), kept.end(),
                                        [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); }));
        }
    }
    buffer = std::vector<T>();
}

}  // namespace

void BufferPool::take(std::vector<uint8_t>& buffer, size_t count) { takeFrom(bytes_, buffer, count); }
void BufferPool::take(std::vector<float>& buffer, size_t count) { takeFrom(floats_, buffer, count); }
void BufferPool::give(std::vector<uint8_t>& buffer) { giveTo(bytes_, buffer); }
void BufferPool::give(std::vector<float>& buffer) { giveTo(floats_, buffer); }

void BufferPool::give(ImageObject& image) {
    give(image.pixels);
    for (ImageFrame& frame : image.frames) give(frame.pixels);
    image = ImageObject();
}

size_t BufferPool::fileHeapBytes() const {
    // An empty string's own small buffer is no allocation.
    return file_.capacity() > std::string().capacity() ? file_.capacity() : 0;
}

size_t BufferPool::keptBytes() const {
    size_t total = fileHeapBytes();
    for (const auto& b : bytes_) total += b.capacity();
    for (const auto& f : floats_) total += f.capacity() * sizeof(float);
    return total;
}

void BufferPool::trimTo(size_t bytes) {
    auto byCapacity = [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); };
    while (keptBytes() > bytes) {
        const auto b = std::max_element(bytes_.begin(), bytes_.end(), byCapacity);
        const auto f = std::max_element(floats_.begin(), floats_.end(), byCapacity);
        const size_t inBytes = b == bytes_.end() ? 0 : b->capacity();
        const size_t inFloats = f == floats_.end() ? 0 : f->capacity() * sizeof(float);
        if (fileHeapBytes() >= inBytes && fileHeapBytes() >= inFloats) {
            // Assigning an empty string would keep the allocation.
            std::string().swap(file_);
        } else if (inFloats > inBytes) {
            floats_.erase(f);
        } else {
            bytes_.erase(b);
        }
    }
}

}  // namespace tesselon

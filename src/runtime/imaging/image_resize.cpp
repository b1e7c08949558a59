#include "runtime/imaging/image_resize.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging/resample_weights.h"
#include "runtime/imaging/resize_kernels.h"

namespace tesselon {

namespace {

// A plane of pixels addressed from its top row; the stride is negative for the image's
// bottom-up rows.
template <typename T>
struct Plane {
    T* top;
    ptrdiff_t stride;  // elements from one row to the next one down
    T* row(int y) const { return top + ptrdiff_t(y) * stride; }
};

template <typename T>
Plane<T> planeOf(T* pixels, int height, size_t pitch) {
    return {pixels + size_t(height - 1) * pitch, -ptrdiff_t(pitch)};
}

// A float row with room for the kernels' four-wide loads and stores past its end.
std::vector<float> floatRow(size_t elements) { return std::vector<float>(elements + kRowSlack); }

// One output row at a time, so that no intermediate image is ever made: per output row,
// either the source rows it needs are summed down into one row that is then filtered
// across (vertical pass first), or the source rows are filtered across once each into a
// ring of rows as the window of rows moves down, and the ring's rows are summed down
// (horizontal pass first). Every value is computed by the very float operations of the
// two whole-image passes this replaces, so the bytes are theirs.
template <int Channels>
void smoothResize(const ImageObject& from, ImageObject& to, AxisWeights (*weightsFor)(int, int), BufferPool* pool,
                  KernelCode code) {
    const int oldW = from.width, oldH = from.height, newW = to.width, newH = to.height;
    const Plane<const uint8_t> src = planeOf(from.pixels.data(), oldH, from.pitch());
    const Plane<uint8_t> dst = planeOf(to.pixels.data(), newH, to.pitch());
    const size_t oldElements = size_t(oldW) * Channels, newElements = size_t(newW) * Channels;
    std::vector<float> wide = floatRow(oldElements), across = floatRow(newElements);

    if (newH == oldH) {
        const AxisWeights horizontal = weightsFor(oldW, newW);
        for (int y = 0; y < oldH; ++y) {
            widenRow(src.row(y), oldElements, wide.data());
            filterRow(wide.data(), horizontal, Channels, newW, across.data(), code);
            storeRow(across.data(), newElements, dst.row(y), code);
        }
        return;
    }
    const AxisWeights vertical = weightsFor(oldH, newH);
    if (newW == oldW || verticalPassFirst(oldW, oldH, newW, newH)) {
        const AxisWeights horizontal = newW == oldW ? AxisWeights{} : weightsFor(oldW, newW);
        std::vector<const uint8_t*> rows(size_t(vertical.taps));
        for (int y = 0; y < newH; ++y) {
            const int count = vertical.count[size_t(y)];
            for (int k = 0; k < count; ++k) rows[size_t(k)] = src.row(vertical.first[size_t(y)] + k);
            sumRows(rows.data(), vertical.of(y), count, oldElements, wide.data(), code);
            if (newW == oldW) {
                storeRow(wide.data(), oldElements, dst.row(y), code);
            } else {
                filterRow(wide.data(), horizontal, Channels, newW, across.data(), code);
                storeRow(across.data(), newElements, dst.row(y), code);
            }
        }
        return;
    }
    // A source row enters the ring when the window first reaches it and stays until the
    // window has passed it; the window is never longer than the ring.
    const AxisWeights horizontal = weightsFor(oldW, newW);
    const int ringRows = std::min(vertical.taps, oldH);
    const size_t ringPitch = newElements + kRowSlack;
    std::vector<float> ring;
    if (pool)
        pool->take(ring, size_t(ringRows) * ringPitch);
    else
        sizeBuffer(ring, size_t(ringRows) * ringPitch);
    std::vector<int> held(static_cast<size_t>(ringRows), -1);
    std::vector<const float*> rows(static_cast<size_t>(ringRows));
    std::vector<float> sums = floatRow(newElements);
    for (int y = 0; y < newH; ++y) {
        const int count = vertical.count[size_t(y)];
        for (int k = 0; k < count; ++k) {
            const int r = vertical.first[size_t(y)] + k;
            float* slot = ring.data() + size_t(r % ringRows) * ringPitch;
            if (held[size_t(r % ringRows)] != r) {
                widenRow(src.row(r), oldElements, wide.data());
                filterRow(wide.data(), horizontal, Channels, newW, slot, code);
                held[size_t(r % ringRows)] = r;
            }
            rows[size_t(k)] = slot;
        }
        sumRows(rows.data(), vertical.of(y), count, newElements, sums.data(), code);
        storeRow(sums.data(), newElements, dst.row(y), code);
    }
    if (pool) pool->give(ring);
}

// Each destination pixel takes the source pixel under its centre.
void nearestResize(const ImageObject& from, ImageObject& to) {
    const size_t bpp = size_t(from.bytesPerPixel());
    std::vector<int> columns(size_t(to.width));
    for (int x = 0; x < to.width; ++x) {
        columns[size_t(x)] = int((int64_t(2 * x + 1) * from.width) / (2 * int64_t(to.width)));
    }
    for (int y = 0; y < to.height; ++y) {
        const int sy = int((int64_t(2 * y + 1) * from.height) / (2 * int64_t(to.height)));
        const uint8_t* s = from.row(sy);
        uint8_t* d = to.row(y);
        for (int x = 0; x < to.width; ++x) std::memcpy(d + size_t(x) * bpp, s + size_t(columns[size_t(x)]) * bpp, bpp);
    }
}

}  // namespace

bool verticalPassFirst(int oldWidth, int oldHeight, int newWidth, int newHeight) {
    return int64_t(newHeight) * oldWidth < int64_t(newWidth) * oldHeight;
}

std::optional<ImageObject> resizedImage(const ImageObject& image, int width, int height, ResizeMode mode,
                                       BufferPool* pool, KernelCode code) {
    if (!image.valid() || image.frameCount > 1 || !image.frames.empty()) return std::nullopt;
    const int newW = width == kKeepDimension ? image.width : width;
    const int newH = height == kKeepDimension ? image.height : height;
    if (newW == image.width && newH == image.height) return copyImage(image, pool);
    try {
        // Every pass writes each pixel of its output.
        std::optional<ImageObject> resized = allocateImageToOverwrite(newW, newH, image.depth, pool);
        if (!resized) return std::nullopt;
        if (mode == ResizeMode::Raw) {
            nearestResize(image, *resized);
        } else if (image.depth == 32) {
            smoothResize<4>(image, *resized, mitchellWeights, pool, code);
        } else {
            smoothResize<3>(image, *resized, areaWeights, pool, code);
        }
        resized->sourceDepth = image.sourceDepth;
        resized->format = image.format;
        return resized;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool resizeImage(ImageObject& image, int width, int height, ResizeMode mode, BufferPool* pool) {
    if (!image.valid()) return false;
    const int newW = width == kKeepDimension ? image.width : width;
    const int newH = height == kKeepDimension ? image.height : height;
    if (newW == image.width && newH == image.height) return true;
    std::optional<ImageObject> resized = resizedImage(image, newW, newH, mode, pool);
    if (!resized) return false;
    if (pool) pool->give(image.pixels);
    image.pixels = std::move(resized->pixels);
    image.width = resized->width;
    image.height = resized->height;
    return true;
}

}  // namespace tesselon

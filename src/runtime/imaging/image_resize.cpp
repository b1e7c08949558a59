#include "runtime/imaging/image_resize.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging/resample_weights.h"

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

inline void store(float value, uint8_t& out) {
    out = value <= 0.0f ? 0 : value >= 255.0f ? 255 : uint8_t(value + 0.5f);
}
inline void store(float value, float& out) { out = value; }

template <int Channels, typename In, typename Out>
void horizontalPass(Plane<const In> src, Plane<Out> dst, int rows, const AxisWeights& w, int newWidth) {
    for (int y = 0; y < rows; ++y) {
        const In* s = src.row(y);
        Out* d = dst.row(y);
        for (int x = 0; x < newWidth; ++x, d += Channels) {
            float sum[Channels] = {};
            const In* p = s + ptrdiff_t(w.first[size_t(x)]) * Channels;
            const float* weight = w.of(x);
            for (int k = 0; k < w.count[size_t(x)]; ++k, p += Channels) {
                for (int c = 0; c < Channels; ++c) sum[c] += float(p[c]) * weight[k];
            }
            for (int c = 0; c < Channels; ++c) store(sum[c], d[c]);
        }
    }
}

template <typename In, typename Out>
void verticalPass(Plane<const In> src, Plane<Out> dst, int newHeight, size_t rowElements, const AxisWeights& w) {
    std::vector<float> sum(rowElements);
    for (int y = 0; y < newHeight; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* weight = w.of(y);
        for (int k = 0; k < w.count[size_t(y)]; ++k) {
            const In* s = src.row(w.first[size_t(y)] + k);
            const float wk = weight[k];
            for (size_t e = 0; e < rowElements; ++e) sum[e] += float(s[e]) * wk;
        }
        Out* d = dst.row(y);
        for (size_t e = 0; e < rowElements; ++e) store(sum[e], d[e]);
    }
}

// A buffer for the intermediate image, which the first pass writes whole.
void sizeMiddle(std::vector<float>& middle, size_t count, BufferPool* pool) {
    if (pool)
        pool->take(middle, count);
    else
        sizeBuffer(middle, count);
}

template <int Channels>
void smoothResize(const ImageObject& from, ImageObject& to, AxisWeights (*weightsFor)(int, int), BufferPool* pool) {
    const int oldW = from.width, oldH = from.height, newW = to.width, newH = to.height;
    const Plane<const uint8_t> src = planeOf(from.pixels.data(), oldH, from.pitch());
    const Plane<uint8_t> dst = planeOf(to.pixels.data(), newH, to.pitch());

    if (newH == oldH) {
        horizontalPass<Channels>(src, dst, oldH, weightsFor(oldW, newW), newW);
        return;
    }
    if (newW == oldW) {
        verticalPass(src, dst, newH, size_t(oldW) * Channels, weightsFor(oldH, newH));
        return;
    }
    // Both axes: the intermediate keeps full precision, so the order only changes the cost.
    const AxisWeights horizontal = weightsFor(oldW, newW);
    const AxisWeights vertical = weightsFor(oldH, newH);
    if (verticalPassFirst(oldW, oldH, newW, newH)) {
        std::vector<float> middle;
        sizeMiddle(middle, size_t(oldW) * size_t(newH) * Channels, pool);
        const Plane<float> mid{middle.data(), ptrdiff_t(oldW) * Channels};
        verticalPass(src, mid, newH, size_t(oldW) * Channels, vertical);
        horizontalPass<Channels>(Plane<const float>{mid.top, mid.stride}, dst, newH, horizontal, newW);
        if (pool) pool->give(middle);
    } else {
        std::vector<float> middle;
        sizeMiddle(middle, size_t(newW) * size_t(oldH) * Channels, pool);
        const Plane<float> mid{middle.data(), ptrdiff_t(newW) * Channels};
        horizontalPass<Channels>(src, mid, oldH, horizontal, newW);
        verticalPass(Plane<const float>{mid.top, mid.stride}, dst, newH, size_t(newW) * Channels, vertical);
        if (pool) pool->give(middle);
    }
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
                                       BufferPool* pool) {
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
            smoothResize<4>(image, *resized, mitchellWeights, pool);
        } else {
            smoothResize<3>(image, *resized, areaWeights, pool);
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

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/resample_weights.h"

namespace tesselon {
namespace {

ImageObject noiseImage(int width, int height, int depth, unsigned seed) {
    ImageObject image = *createImage(width, height, depth, 0);
    std::mt19937 random(seed);
    for (uint8_t& byte : image.pixels) byte = uint8_t(random());
    return image;
}

uint8_t toByte(float value) { return value <= 0.0f ? 0 : value >= 255.0f ? 255 : uint8_t(value + 0.5f); }

// The resize as two whole-image passes with a float image between them, the order
// chosen by verticalPassFirst: the bytes every earlier result was made of.
ImageObject twoPassResize(const ImageObject& from, int newW, int newH) {
    const int channels = from.bytesPerPixel();
    const auto weightsFor = channels == 4 ? mitchellWeights : areaWeights;
    const int oldW = from.width, oldH = from.height;
    // Top-down float planes; the image's rows are stored bottom-up.
    std::vector<float> in(size_t(oldW) * size_t(oldH) * size_t(channels));
    for (int y = 0; y < oldH; ++y)
        for (int e = 0; e < oldW * channels; ++e)
            in[size_t(y) * size_t(oldW * channels) + size_t(e)] = float(from.row(oldH - 1 - y)[e]);
    const auto across = [&](const std::vector<float>& src, int w, int h) {
        const AxisWeights a = weightsFor(w, newW);
        std::vector<float> out(size_t(newW) * size_t(h) * size_t(channels));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < newW; ++x)
                for (int c = 0; c < channels; ++c) {
                    float sum = 0.0f;
                    for (int k = 0; k < a.count[size_t(x)]; ++k)
                        sum += src[(size_t(y) * size_t(w) + size_t(a.first[size_t(x)] + k)) * size_t(channels) +
                                   size_t(c)] *
                               a.of(x)[k];
                    out[(size_t(y) * size_t(newW) + size_t(x)) * size_t(channels) + size_t(c)] = sum;
                }
        return out;
    };
    const auto down = [&](const std::vector<float>& src, int w, int h) {
        const AxisWeights a = weightsFor(h, newH);
        const size_t rowElements = size_t(w) * size_t(channels);
        std::vector<float> out(rowElements * size_t(newH));
        for (int y = 0; y < newH; ++y)
            for (size_t e = 0; e < rowElements; ++e) {
                float sum = 0.0f;
                for (int k = 0; k < a.count[size_t(y)]; ++k)
                    sum += src[size_t(a.first[size_t(y)] + k) * rowElements + e] * a.of(y)[k];
                out[size_t(y) * rowElements + e] = sum;
            }
        return out;
    };
    std::vector<float> done;
    if (newH == oldH)
        done = across(in, oldW, oldH);
    else if (newW == oldW)
        done = down(in, oldW, oldH);
    else if (verticalPassFirst(oldW, oldH, newW, newH))
        done = across(down(in, oldW, oldH), oldW, newH);
    else
        done = down(across(in, oldW, oldH), newW, oldH);
    ImageObject to = *createImage(newW, newH, from.depth, 0);
    for (int y = 0; y < newH; ++y)
        for (int e = 0; e < newW * channels; ++e)
            to.row(newH - 1 - y)[e] = toByte(done[size_t(y) * size_t(newW * channels) + size_t(e)]);
    return to;
}

// Row by row, with or without the vector code, the resize gives the bytes of the two
// whole-image passes: shrinking either axis first, one axis alone, enlarging, widths
// that leave the vector code a remainder, 24- and 32-bit.
TEST(ImagingResizeRows, SameBytesAsTheWholeImagePasses) {
    struct Case {
        int width, height, depth, newW, newH;
    };
    const Case cases[] = {{203, 151, 24, 61, 47},  {151, 203, 24, 47, 61}, {97, 300, 24, 33, 17},
                          {300, 97, 24, 17, 33},   {123, 77, 24, 123, 20}, {123, 77, 24, 40, 77},
                          {31, 19, 24, 93, 50},    {131, 99, 32, 45, 37},  {99, 131, 32, 37, 45},
                          {40, 30, 32, 101, 77},   {57, 43, 32, 57, 120},  {1, 50, 24, 1, 7},
                          {50, 1, 32, 7, 1},       {17, 17, 24, 5, 40}};
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << "x" << c.depth << " to " << c.newW << "x"
                                          << c.newH);
        const ImageObject source = noiseImage(c.width, c.height, c.depth, seed++);
        const ImageObject expected = twoPassResize(source, c.newW, c.newH);
        for (KernelCode code : {KernelCode::Fastest, KernelCode::Portable}) {
            const std::optional<ImageObject> resized =
                resizedImage(source, c.newW, c.newH, ResizeMode::Smooth, nullptr, code);
            ASSERT_TRUE(resized);
            EXPECT_EQ(resized->pixels, expected.pixels) << (code == KernelCode::Fastest ? "fastest" : "portable");
        }
    }
}

// A pool's buffers hold whatever the last image left: the next result must not see it.
TEST(ImagingResizeRows, PooledBuffersGiveTheSameBytes) {
    BufferPool pool;
    const ImageObject first = noiseImage(2000, 1500, 24, 11);
    const ImageObject second = noiseImage(1990, 1490, 24, 12);
    std::optional<ImageObject> earlier = resizedImage(first, 1000, 750, ResizeMode::Smooth, &pool);
    ASSERT_TRUE(earlier);
    pool.give(*earlier);
    ASSERT_GT(pool.keptBytes(), 0u);
    const std::optional<ImageObject> pooled = resizedImage(second, 995, 745, ResizeMode::Smooth, &pool);
    const std::optional<ImageObject> fresh = resizedImage(second, 995, 745);
    ASSERT_TRUE(pooled);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(pooled->pixels, fresh->pixels);
}

}  // namespace
}  // namespace tesselon

namespace tesselon {
namespace {

// Shrinking by factors that give every destination pixel from one to nine source
// pixels, so that pixels with fewer taps than their neighbours, and the last pixels of a
// row whose taps would run past the source's end, all keep the two passes' bytes.
TEST(ImagingResizeRows, EveryNumberOfTapsAcrossARow) {
    unsigned seed = 40;
    for (const int newW : {301, 250, 121, 81, 58, 43, 37}) {
        for (const int depth : {24, 32}) {
            SCOPED_TRACE(::testing::Message() << "302 wide to " << newW << ", depth " << depth);
            const ImageObject source = noiseImage(302, 9, depth, seed++);
            const ImageObject expected = twoPassResize(source, newW, 4);
            const std::optional<ImageObject> resized = resizedImage(source, newW, 4);
            ASSERT_TRUE(resized);
            EXPECT_EQ(resized->pixels, expected.pixels);
        }
    }
}

}  // namespace
}  // namespace tesselon

// Buffers kept between images: what a pool hands out again, and that decoding, copying
// and resizing into kept buffers, whatever they held, gives the pictures fresh memory
// gives.
#include <gtest/gtest.h>

#include <random>

#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {
namespace {

constexpr size_t kBig = BufferPool::kSmallestKeptBytes;

// A pool holding `count` buffers of `bytes` bytes, every byte 0xAB.
void fillWithDirtyBuffers(BufferPool& pool, size_t bytes, int count = 2) {
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> dirty(bytes, 0xAB);
        pool.give(dirty);
    }
}

TEST(ImagingBufferPool, TrimmingFreesTheLargestBuffersFirstTheFileBytesIncluded) {
    BufferPool pool;
    std::vector<uint8_t> bytes(4 * kBig);
    std::vector<float> floats(kBig / sizeof(float));
    pool.give(bytes);
    pool.give(floats);
    pool.fileBytes().assign(2 * kBig, 'x');
    const size_t all = pool.keptBytes();
    EXPECT_GE(all, 7 * kBig);

    pool.trimTo(all - 1);  // the 4 MiB buffer goes, not the small ones
    EXPECT_EQ(pool.keptBytes(), all - 4 * kBig);
    pool.trimTo(kBig);
    EXPECT_EQ(pool.keptBytes(), kBig);
    pool.trimTo(0);
    EXPECT_EQ(pool.keptBytes(), 0u);
}

TEST(ImagingBufferPool, HandsBackTheSmallestKeptBufferThatFits) {
    BufferPool pool;
    std::vector<uint8_t> large(4 * kBig), middle(2 * kBig), small(100);
    const uint8_t* middleMemory = middle.data();
    pool.give(large);
    pool.give(middle);
    pool.give(small);  // too small to be worth keeping
    EXPECT_TRUE(large.empty() && middle.empty());
    EXPECT_EQ(pool.keptBytes(), 6 * kBig);

    std::vector<uint8_t> taken;
    pool.take(taken, kBig + 1);
    EXPECT_EQ(taken.data(), middleMemory);
    EXPECT_EQ(taken.size(), kBig + 1);
    EXPECT_EQ(pool.keptBytes(), 4 * kBig);

    // Nothing kept fits: fresh and zeroed.
    std::vector<uint8_t> fresh;
    pool.take(fresh, 5 * kBig);
    EXPECT_EQ(fresh.size(), 5 * kBig);
    EXPECT_EQ(fresh[12345], 0);

    // Only so many are kept, the largest ones: of 4 (kept already) and 1 to 9 units,
    // the six largest are 9, 8, 7, 6, 5 and 4.
    static_assert(BufferPool::kMostKept == 6);
    for (size_t units = 1; units <= 9; ++units) {
        std::vector<uint8_t> b(kBig * units);
        pool.give(b);
    }
    EXPECT_EQ(pool.keptBytes(), (9 + 8 + 7 + 6 + 5 + 4) * kBig);
}

ImageObject noise(int width, int height, int depth) {
    ImageObject image = *createImage(width, height, depth, 0);
    std::mt19937 random(3);
    for (uint8_t& byte : image.pixels) byte = uint8_t(random());
    // The padding at the end of each row stays zero, as in every image.
    const size_t used = size_t(width) * size_t(image.bytesPerPixel());
    for (int y = 0; y < height; ++y)
        for (size_t i = used; i < image.pitch(); ++i) image.pixels[size_t(y) * image.pitch() + i] = 0;
    return image;
}

TEST(ImagingBufferPool, KeptBuffersGiveTheSamePicturesAsFreshOnes) {
    const CodecRegistry& codecs = standardRegistry();
    // An odd width, so 24-bit rows end in padding.
    const ImageObject rgb = noise(701, 600, 24), rgba = noise(701, 600, 32);
    for (const auto& [image, format] : {std::pair{&rgb, kFormatJPEG}, std::pair{&rgb, kFormatPNG},
                                        std::pair{&rgba, kFormatPNG}}) {
        const std::optional<std::string> bytes =
            encodeImage(*image, *formatByCode(format), {EncodeQuality::ofLevel(9), image->depth});
        ASSERT_TRUE(bytes);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
        const std::optional<ImageObject> fresh = catchImage(data, bytes->size(), codecs);
        BufferPool pool;
        fillWithDirtyBuffers(pool, image->pixels.size() + 999);
        const std::optional<ImageObject> reused = catchImage(data, bytes->size(), codecs, &pool);
        ASSERT_TRUE(fresh && reused);
        EXPECT_TRUE(reused->pixels == fresh->pixels) << format << " " << int(image->depth);
        EXPECT_EQ(reused->sourceDepth, fresh->sourceDepth);
    }

    BufferPool pool;
    fillWithDirtyBuffers(pool, rgb.pixels.size() * 2, 4);
    const std::optional<ImageObject> copy = copyImage(rgb, &pool);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->pixels == rgb.pixels);
    EXPECT_EQ(copy->width, rgb.width);
    EXPECT_EQ(copy->sourceDepth, rgb.sourceDepth);

    for (const ImageObject* image : {&rgb, &rgba}) {
        ImageObject fresh = *image, reused = *image;
        ASSERT_TRUE(resizeImage(fresh, 333, 1001));
        ASSERT_TRUE(resizeImage(reused, 333, 1001, ResizeMode::Smooth, &pool));
        EXPECT_TRUE(reused.pixels == fresh.pixels) << int(image->depth);
        const std::optional<ImageObject> aside = resizedImage(*image, 333, 1001);
        ASSERT_TRUE(aside);
        EXPECT_TRUE(aside->pixels == fresh.pixels);
    }
}

TEST(ImagingBufferPool, ImagesToOverwriteComeWithZeroRowPadding) {
    BufferPool pool;
    fillWithDirtyBuffers(pool, 2 * kBig, 1);
    const std::optional<ImageObject> image = allocateImageToOverwrite(1001, 500, 24, &pool);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pitch(), 3004u);
    EXPECT_EQ(image->pixels[0], 0xAB);  // the pixels are the caller's to write
    for (int y = 0; y < image->height; ++y)
        EXPECT_EQ(image->pixels[size_t(y) * image->pitch() + 3003], 0) << y;
}

}  // namespace
}  // namespace tesselon

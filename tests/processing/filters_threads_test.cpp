// The colour operations, the mirrors and the rotation spread over several threads give
// the bytes they give on one.
#include <gtest/gtest.h>

#include <functional>

#include "filters_test_images.h"
#include "processing/filters/filters.h"

namespace tesselon {
namespace {

using testing::patternImage;

TEST(FiltersThreads, EveryOperationGivesTheSameBytesOnAnyNumberOfThreads) {
    // Tall enough for several bands of rows (a quarter megapixel each).
    const std::pair<const char*, std::function<void(ImageObject&, int)>> operations[] = {
        {"contrast", [](ImageObject& i, int t) { applyContrast(i, 90, t); }},
        {"grey", [](ImageObject& i, int t) { applyGreyScale(i, t); }},
        {"invert", [](ImageObject& i, int t) { applyInvert(i, t); }},
        {"tint", [](ImageObject& i, int t) { applyTint(i, 0x2080F0, 35, t); }},
        {"mirror", [](ImageObject& i, int t) { mirrorImage(i, false, t); }},
        {"flip", [](ImageObject& i, int t) { mirrorImage(i, true, t); }},
    };
    for (int depth : {24, 32}) {
        const ImageObject source = patternImage(513, 2049, depth, 5);
        for (const auto& [name, apply] : operations) {
            ImageObject one = source, several = source;
            apply(one, 1);
            apply(several, 5);
            EXPECT_NE(one.pixels, source.pixels) << name;
            EXPECT_TRUE(one.pixels == several.pixels) << name << " at depth " << depth;
        }
    }
    // An image smaller than one band stays on one thread.
    ImageObject small = patternImage(3, 3, 24), smallToo = small;
    applyInvert(small, 8);
    applyInvert(smallToo, 1);
    EXPECT_EQ(small.pixels, smallToo.pixels);
}

TEST(FiltersThreads, RotationGivesTheSameBytesOnAnyNumberOfThreads) {
    const ImageObject source = patternImage(700, 530, 24, 9);
    for (int degrees : {33, 90, 301}) {
        const std::optional<ImageObject> one = rotateImage(source, degrees, 0x00336699, 1);
        const std::optional<ImageObject> several = rotateImage(source, degrees, 0x00336699, 3);
        ASSERT_TRUE(one && several);
        EXPECT_TRUE(one->pixels == several->pixels) << degrees;
    }
    // With a pool holding a dirty buffer of the right size, the result is the same too.
    BufferPool pool;
    const std::optional<ImageObject> fresh = rotateImage(source, 33, 0x00336699, 2);
    std::vector<uint8_t> dirty(fresh->pixels.size(), 0xAB);
    pool.give(dirty);
    const std::optional<ImageObject> reused = rotateImage(source, 33, 0x00336699, 2, &pool);
    ASSERT_TRUE(reused);
    EXPECT_TRUE(reused->pixels == fresh->pixels);
}

}  // namespace
}  // namespace tesselon

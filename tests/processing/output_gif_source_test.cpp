#include <gtest/gtest.h>

#include "output_test_support.h"
#include "processing/output/gif_source.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {
namespace {

using testing::output::gradientImage;
using testing::output::testData;

TEST(GifSource, GifBecomesItsPalettePngRendering) {
    const CodecRegistry registry = makeStandardRegistry();
    std::optional<ImageObject> loaded = loadImage(testData("images/animated.gif"), registry);
    ASSERT_TRUE(loaded);
    ASSERT_GT(loaded->frameCount, 1);
    EXPECT_TRUE(isAnimatedGifSource(*loaded, "GIF"));
    EXPECT_FALSE(isAnimatedGifSource(*loaded, "jpg"));
    const std::vector<uint8_t> firstFrame = loaded->pixels;

    // The first frame exactly, with its transparent pixels.
    const std::optional<ImageObject> prepared = prepareGifSource(std::move(loaded), "GIF", registry);
    ASSERT_TRUE(prepared);
    EXPECT_EQ(prepared->format, kFormatPNG);
    EXPECT_EQ(prepared->sourceDepth, 8);
    EXPECT_EQ(prepared->depth, 32);
    EXPECT_EQ(prepared->frameCount, 1);
    EXPECT_EQ(prepared->pixels, firstFrame);
}

TEST(GifSource, OtherImagesPassUnchanged) {
    const CodecRegistry registry = makeStandardRegistry();
    const ImageObject image = gradientImage(9, 7);
    const std::optional<ImageObject> same = prepareGifSource(image, "png", registry);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->pixels, image.pixels);
    EXPECT_EQ(same->format, image.format);
    EXPECT_FALSE(prepareGifSource(std::nullopt, "gif", registry));
}

}  // namespace
}  // namespace tesselon

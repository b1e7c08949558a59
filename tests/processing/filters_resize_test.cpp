#include <gtest/gtest.h>

#include "filters_test_images.h"
#include "processing/filters/resize_for_output.h"

namespace tesselon {
namespace {

using testing::patternImage;

struct Size {
    int width, height;
    bool operator==(const Size&) const = default;
};

Size resized(int width, int height, bool proportional, int targetWidth, int targetHeight, int depth = 24) {
    ImageObject image = *createImage(width, height, depth, 0x00808080);
    resizeForOutput(image, proportional, targetWidth, targetHeight);
    return {image.width, image.height};
}

TEST(FiltersResize, ProportionalFitsTheLongerSideOfItsOrientation) {
    EXPECT_EQ(resized(1000, 900, true, 800, 600), (Size{800, 720}));
    EXPECT_EQ(resized(300, 400, true, 800, 600), (Size{450, 600}));   // portrait: the height, enlarged
    EXPECT_EQ(resized(400, 400, true, 800, 600), (Size{800, 800}));   // square counts as landscape
    EXPECT_EQ(resized(3000, 2000, true, 1000, 1000, 32), (Size{1000, 667}));
}

TEST(FiltersResize, FixedSizeIgnoresTheAspectRatio) {
    EXPECT_EQ(resized(1000, 900, false, 800, 600), (Size{800, 600}));
    EXPECT_EQ(resized(30, 40, false, 7, 90), (Size{7, 90}));
}

TEST(FiltersResize, AStripKeepsOnePixel) {
    // 4000 x 1 to 800 wide: the height 0.2 rounds to nothing.
    EXPECT_EQ(resized(4000, 1, true, 800, 600), (Size{800, 1}));
}

TEST(FiltersResize, ImpossibleRequestsLeaveTheImage) {
    EXPECT_EQ(resized(100, 50, false, 0, 600), (Size{100, 50}));
    EXPECT_EQ(resized(100, 50, false, 800, -65535), (Size{100, 50}));
    EXPECT_EQ(resized(100, 50, true, -5, 600), (Size{100, 50}));
    EXPECT_EQ(resized(100, 50, true, 2000000000, 600), (Size{100, 50}));
    // Only the side that counts must be usable.
    EXPECT_EQ(resized(100, 50, true, 200, 0), (Size{200, 100}));

    ImageObject animation = patternImage(20, 10, 32);
    animation.frameCount = 2;
    animation.frames.push_back(ImageFrame{animation.pixels, 100});
    resizeForOutput(animation, true, 40, 40);
    EXPECT_EQ(animation.width, 20);

    ImageObject empty;
    resizeForOutput(empty, false, 10, 10);
    EXPECT_EQ(empty.width, 0);
}

TEST(FiltersResize, ResamplesSmoothly) {
    // A black and white checkerboard halved becomes grey rather than picking pixels.
    ImageObject image = *createImage(8, 8, 24, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x + y) % 2) testing::setPixel(image, x, y, {255, 255, 255, 255});
    resizeForOutput(image, false, 4, 4);
    ASSERT_EQ(image.width, 4);
    const int grey = testing::pixelAt(image, 1, 1)[0];
    EXPECT_GT(grey, 64);
    EXPECT_LT(grey, 192);
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include "runtime/imaging/image_operations.h"
#include "ui/fit_image_to_box.h"

namespace tesselon::testing {
namespace {

uint32_t pixelAt(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + size_t(x) * size_t(image.bytesPerPixel());
    return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

TEST(FitImageToBox, LargeImageShrinksToThePaneHeightAndIsCentred) {
    std::optional<ImageObject> big = createImage(4000, 3000, 24, 0xFFFFFF);
    ASSERT_TRUE(big);
    std::optional<ImageObject> pane = fitImageToBox(*big, 380, 251, 1.0, 1.0, 0);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->width, 380);
    EXPECT_EQ(pane->height, 251);
    EXPECT_EQ(pane->depth, 24);
    EXPECT_EQ(big->width, 335);  // the image given is shrunk in place
    EXPECT_EQ(big->height, 251);
    // Drawn from x = 190 - 167 = 23 to 357, black on either side.
    EXPECT_EQ(pixelAt(*pane, 22, 125), 0u);
    EXPECT_EQ(pixelAt(*pane, 23, 125), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 357, 125), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 358, 125), 0u);
    EXPECT_EQ(pixelAt(*pane, 100, 0), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 100, 250), 0xFFFFFFu);
}

TEST(FitImageToBox, SmallImageIsNeverEnlarged) {
    std::optional<ImageObject> small = createImage(100, 50, 24, 0x0000FF);
    ASSERT_TRUE(small);
    std::optional<ImageObject> pane = fitImageToBox(*small, 380, 251, 1.0, 1.0, 0x00FF00);
    ASSERT_TRUE(pane);
    EXPECT_EQ(small->width, 100);
    EXPECT_EQ(small->height, 50);
    // x = 190 - 50 = 140, y = 125 - 25 = 100.
    EXPECT_EQ(pixelAt(*pane, 139, 120), 0x00FF00u);
    EXPECT_EQ(pixelAt(*pane, 140, 100), 0x0000FFu);
    EXPECT_EQ(pixelAt(*pane, 239, 149), 0x0000FFu);
    EXPECT_EQ(pixelAt(*pane, 240, 149), 0x00FF00u);
    EXPECT_EQ(pixelAt(*pane, 140, 150), 0x00FF00u);
}

TEST(FitImageToBox, PaneHasTheScreensPixelsAtAHigherScale) {
    std::optional<ImageObject> big = createImage(4000, 3000, 24, 0xFFFFFF);
    ASSERT_TRUE(big);
    std::optional<ImageObject> pane = fitImageToBox(*big, 380, 251, 1.5, 1.5, 0);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->width, 570);
    EXPECT_EQ(pane->height, 377);
    EXPECT_EQ(big->height, 377);
}

TEST(FitImageToBox, ThinImagesKeepAtLeastOnePixelAndAPaneWithoutPixelsIsRefused) {
    std::optional<ImageObject> thin = createImage(20000, 1, 24, 0xFFFFFF);
    ASSERT_TRUE(thin);
    std::optional<ImageObject> pane = fitImageToBox(*thin, 380, 251, 1.0, 1.0, 0);
    ASSERT_TRUE(pane);
    EXPECT_EQ(thin->width, 380);
    EXPECT_EQ(thin->height, 1);
    std::optional<ImageObject> any = createImage(10, 10, 24, 0);
    EXPECT_FALSE(fitImageToBox(*any, 0, 251, 1.0, 1.0, 0));
    // An invalid image gives the plain pane.
    ImageObject none;
    std::optional<ImageObject> empty = fitImageToBox(none, 38, 25, 1.0, 1.0, 0x123456);
    ASSERT_TRUE(empty);
    EXPECT_EQ(pixelAt(*empty, 19, 12), 0x123456u);
}

}  // namespace
}  // namespace tesselon::testing

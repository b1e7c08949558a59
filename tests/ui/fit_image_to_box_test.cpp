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
    EXPECT_EQ(big->width, 4000);  // the image given is left as it is
    EXPECT_EQ(big->height, 3000);
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
    // 503 x 377 drawn from x = 285 - 251 = 34.
    EXPECT_EQ(pixelAt(*pane, 33, 188), 0u);
    EXPECT_EQ(pixelAt(*pane, 34, 188), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 536, 376), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 537, 188), 0u);
}

TEST(FitImageToBox, ThinImagesKeepAtLeastOnePixelAndAPaneWithoutPixelsIsRefused) {
    std::optional<ImageObject> thin = createImage(20000, 1, 24, 0xFFFFFF);
    ASSERT_TRUE(thin);
    std::optional<ImageObject> pane = fitImageToBox(*thin, 380, 251, 1.0, 1.0, 0);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pixelAt(*pane, 0, 125), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 379, 125), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*pane, 0, 124), 0u);
    std::optional<ImageObject> any = createImage(10, 10, 24, 0);
    EXPECT_FALSE(fitImageToBox(*any, 0, 251, 1.0, 1.0, 0));
    // An invalid image gives the plain pane.
    ImageObject none;
    std::optional<ImageObject> empty = fitImageToBox(none, 38, 25, 1.0, 1.0, 0x123456);
    ASSERT_TRUE(empty);
    EXPECT_EQ(pixelAt(*empty, 19, 12), 0x123456u);
}

// A mostly transparent picture must not show the colour hidden under its transparency.
TEST(FitImageToBox, TransparentPartsShowACheckerboard) {
    std::optional<ImageObject> image = createImage(64, 32, 32, 0x0000FF);
    ASSERT_TRUE(image);
    // Left half: red, fully transparent; right half: opaque blue, one pixel half-transparent.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image->row(y)[size_t(x) * 4 + 3] = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x) {
            uint8_t* p = image->row(y) + size_t(x) * 4;
            p[0] = 0xFF, p[1] = 0, p[2] = 0;
        }
    image->row(20)[size_t(40) * 4 + 3] = 128;
    std::optional<ImageObject> pane = fitImageToBox(*image, 380, 251, 1.0, 1.0, 0);
    ASSERT_TRUE(pane);
    // The picture sits at x = 190 - 32 = 158, y = 125 - 16 = 109.
    const uint32_t square = pixelAt(*pane, 158, 109);
    const uint32_t next = pixelAt(*pane, 158 + 8, 109);
    EXPECT_NE(square, next);
    for (uint32_t c : {square, next}) EXPECT_TRUE(c == 0xFFFFFFu || c == 0xCCCCCCu) << std::hex << c;
    EXPECT_EQ(pixelAt(*pane, 158 + 8, 109 + 8), square);
    EXPECT_EQ(pixelAt(*pane, 158 + 40, 109 + 5), 0xFF0000u);  // opaque blue as it is
    const uint32_t half = pixelAt(*pane, 158 + 40, 109 + 20);  // blue over the light or dark grey
    EXPECT_GT(half >> 16, 0xCCu);
    EXPECT_LT(half & 0xFF, 0xCCu);
    EXPECT_GT(half & 0xFF, 0x40u);
    EXPECT_EQ(pixelAt(*pane, 157, 120), 0u);  // black beside the picture
}

}  // namespace
}  // namespace tesselon::testing

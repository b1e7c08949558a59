#include <gtest/gtest.h>

#include <climits>

#include "drawing_test_images.h"
#include "runtime/drawing/colour.h"
#include "runtime/drawing/raster_drawing.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::makeImage;
using testing::pixel;
using testing::setPixel;

const Bgra kBlack{0, 0, 0, 255};

TEST(RasterDrawing, BoxNormalisesNegativeSizesAndClipsToTheImage) {
    ImageObject image = makeImage(30, 8, 24, kBlack);
    auto drawing = RasterDrawing::start(image);
    ASSERT_TRUE(drawing);
    drawing->box(20, 2, -10, -2, rgb(255, 0, 0));  // x 10..19, y 0..1
    for (int x = 0; x < 30; ++x) {
        const Bgra expected = (x >= 10 && x <= 19) ? Bgra{0, 0, 255, 255} : kBlack;
        EXPECT_EQ(pixel(image, x, 0), expected) << x;
        EXPECT_EQ(pixel(image, x, 1), expected) << x;
        EXPECT_EQ(pixel(image, x, 2), kBlack) << x;
    }
    drawing->box(-5, 6, 8, 100, rgba(1, 2, 3, 4));  // x 0..2, y 6..7
    EXPECT_EQ(pixel(image, 2, 7), (Bgra{3, 2, 1, 255}));
    EXPECT_EQ(pixel(image, 3, 7), kBlack);
    EXPECT_EQ(pixel(image, 2, 5), kBlack);

    const std::vector<uint8_t> before = image.pixels;
    drawing->box(30, 0, 5, 5, 0xFFFFFFFF);
    drawing->box(0, 0, 0, 5, 0xFFFFFFFF);
    drawing->box(INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0xFFFFFFFF);
    drawing->box(INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0xFFFFFFFF);
    drawing->box(INT_MIN, 0, INT_MAX, 1, 0xFFFFFFFF);  // ends just left of x 0
    EXPECT_EQ(image.pixels, before);
    drawing->box(-1, 0, INT_MAX, 1, 0xFFFFFFFF);
    EXPECT_EQ(pixel(image, 29, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(image.pixels[image.pitch() * 8 - 1], 0xEE);  // row padding left alone
}

TEST(RasterDrawing, ModesOnThirtyTwoBitTargets) {
    ImageObject image = makeImage(6, 4, 32, {10, 20, 30, 0});
    auto drawing = RasterDrawing::start(image);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->frontColour(), 0xFFFFFFFFu);
    EXPECT_EQ(drawing->backColour(), 0xFF000000u);
    drawing->box(0, 0, 6, 1, rgba(255, 0, 0, 255));
    EXPECT_EQ(pixel(image, 3, 0), (Bgra{0, 0, 255, 0}));  // colour written, still transparent

    setPixel(image, 3, 1, {40, 50, 60, 200});
    drawing->setMode(kRasterAlphaChannel);
    drawing->box(0, 1, 6, 1, 0);
    EXPECT_EQ(pixel(image, 3, 1), (Bgra{40, 50, 60, 0}));

    drawing->setMode(kRasterAllChannels);
    drawing->box(0, 2, 1, 1, rgba(1, 2, 3, 4));
    EXPECT_EQ(pixel(image, 0, 2), (Bgra{3, 2, 1, 4}));

    // Blending over nothing keeps the colour; over opaque red it mixes.
    setPixel(image, 1, 3, {0, 0, 255, 255});
    drawing->setMode(kRasterAlphaBlend);
    drawing->box(0, 3, 2, 1, rgba(0, 0, 255, 128));
    EXPECT_EQ(pixel(image, 0, 3), (Bgra{255, 0, 0, 128}));
    EXPECT_EQ(pixel(image, 1, 3), (Bgra{128, 0, 127, 255}));
}

TEST(RasterDrawing, TwentyFourBitTargetsHaveNoAlphaToWrite) {
    ImageObject image = makeImage(3, 1, 24, {100, 100, 100});
    auto drawing = RasterDrawing::start(image);
    ASSERT_TRUE(drawing);
    drawing->setMode(kRasterAlphaChannel);
    drawing->box(0, 0, 1, 1, rgba(255, 255, 255, 0));
    EXPECT_EQ(pixel(image, 0, 0), (Bgra{100, 100, 100, 255}));

    drawing->setMode(kRasterAllChannels | kRasterAlphaChannel | kRasterAlphaBlend);
    EXPECT_EQ(drawing->mode(), uint32_t(kRasterDefault));
    drawing->box(1, 0, 1, 1, rgba(7, 8, 9, 0));
    EXPECT_EQ(pixel(image, 1, 0), (Bgra{9, 8, 7, 255}));

    drawing->setMode(kRasterAlphaBlend);
    drawing->box(2, 0, 1, 1, rgba(255, 0, 200, 128));
    EXPECT_EQ(pixel(image, 2, 0), (Bgra{150, 50, 178, 255}));
}

TEST(RasterDrawing, OutlinedBoxesTouchEachEdgePixelOnce) {
    ImageObject image = makeImage(8, 6, 24, kBlack);
    auto drawing = RasterDrawing::start(image);
    ASSERT_TRUE(drawing);
    drawing->setMode(kRasterOutlined);
    drawing->box(1, 1, 5, 4, rgb(255, 255, 255));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool edge = (x >= 1 && x <= 5 && (y == 1 || y == 4)) || (y >= 1 && y <= 4 && (x == 1 || x == 5));
            EXPECT_EQ(pixel(image, x, y).r, edge ? 255 : 0) << x << "," << y;
        }
    }
    // One pixel wide: its two side edges are the same pixels, blended once.
    drawing->setMode(kRasterOutlined | kRasterAlphaBlend);
    drawing->box(7, 0, 1, 6, rgba(255, 255, 255, 128));
    EXPECT_EQ(pixel(image, 7, 3).r, 128);
}

TEST(RasterDrawing, DrawImageCopiesColourBytesAndKeepsTargetAlpha) {
    ImageObject target = makeImage(6, 5, 32, {1, 2, 3, 40});
    ImageObject source = makeImage(3, 2, 24, {200, 150, 100});
    setPixel(source, 0, 0, {11, 12, 13});
    auto drawing = RasterDrawing::start(target);
    ASSERT_TRUE(drawing);
    drawing->drawImage(source, 2, 1);
    EXPECT_EQ(pixel(target, 2, 1), (Bgra{11, 12, 13, 40}));
    EXPECT_EQ(pixel(target, 4, 2), (Bgra{200, 150, 100, 40}));
    EXPECT_EQ(pixel(target, 5, 2), (Bgra{1, 2, 3, 40}));
    EXPECT_EQ(pixel(target, 2, 3), (Bgra{1, 2, 3, 40}));

    // Clipped at the top-left corner, the source's bottom-right pixel lands at (0, 0);
    // its alpha plays no part.
    ImageObject translucent = makeImage(3, 3, 32, {9, 9, 9, 0});
    setPixel(translucent, 2, 2, {50, 60, 70, 0});
    drawing->drawImage(translucent, -2, -2);
    EXPECT_EQ(pixel(target, 0, 0), (Bgra{50, 60, 70, 40}));
    EXPECT_EQ(pixel(target, 1, 0), (Bgra{1, 2, 3, 40}));
}

TEST(RasterDrawing, DrawImageStretchesAndMayReadItsOwnTarget) {
    ImageObject target = makeImage(5, 5, 24, kBlack);
    ImageObject source = makeImage(2, 2, 24);
    setPixel(source, 0, 0, {10, 0, 0});
    setPixel(source, 1, 0, {20, 0, 0});
    setPixel(source, 0, 1, {30, 0, 0});
    setPixel(source, 1, 1, {40, 0, 0});
    auto drawing = RasterDrawing::start(target);
    ASSERT_TRUE(drawing);
    drawing->drawImage(source, 1, 1, 4, 4);
    const int expected[4][4] = {{10, 10, 20, 20}, {10, 10, 20, 20}, {30, 30, 40, 40}, {30, 30, 40, 40}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixel(target, x + 1, y + 1).b, expected[y][x]) << x << "," << y;

    drawing->drawImage(target, 1, 0);  // shifts row 1 right by one: 0 10 10 20 20 -> 0 0 10 10 20
    EXPECT_EQ(pixel(target, 1, 1).b, 0);
    EXPECT_EQ(pixel(target, 2, 1).b, 10);
    EXPECT_EQ(pixel(target, 3, 1).b, 10);
    EXPECT_EQ(pixel(target, 4, 1).b, 20);
}

TEST(RasterDrawing, StartAndBufferAccess) {
    ImageObject empty;
    EXPECT_FALSE(RasterDrawing::start(empty));
    ImageObject truncated = makeImage(4, 4, 24);
    truncated.pixels.pop_back();
    EXPECT_FALSE(RasterDrawing::start(truncated));

    ImageObject image = makeImage(3, 4, 24, kBlack);
    auto drawing = RasterDrawing::start(image);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->bufferPitch(), 12u);
    drawing->bufferAddress()[0] = 77;  // blue of the bottom-left pixel
    EXPECT_EQ(pixel(image, 0, 3).b, 77);
}

}  // namespace
}  // namespace tesselon

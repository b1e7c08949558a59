#include <gtest/gtest.h>

#include <random>

#include "runtime/imaging/image_operations.h"
#include "ui/block_average.h"

namespace tesselon::testing {
namespace {

ImageObject noise(int width, int height, int depth, uint32_t seed) {
    std::optional<ImageObject> image = createImage(width, height, depth, 0);
    EXPECT_TRUE(image);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image->row(y);
        for (size_t e = 0; e < size_t(width) * size_t(image->bytesPerPixel()); ++e) row[e] = uint8_t(random());
    }
    return std::move(*image);
}

// Every channel of every block, edge blocks included, is its pixels' mean rounded half up.
void expectBlockMeans(const ImageObject& image, int factor) {
    std::optional<ImageObject> out = averageBlocks(image, factor);
    ASSERT_TRUE(out);
    const int bpp = image.bytesPerPixel();
    ASSERT_EQ(out->width, (image.width + factor - 1) / factor);
    ASSERT_EQ(out->height, (image.height + factor - 1) / factor);
    ASSERT_EQ(out->depth, image.depth);
    for (int oy = 0; oy < out->height; ++oy)
        for (int ox = 0; ox < out->width; ++ox)
            for (int c = 0; c < bpp; ++c) {
                uint32_t sum = 0, count = 0;
                for (int y = oy * factor; y < std::min(int(image.height), (oy + 1) * factor); ++y)
                    for (int x = ox * factor; x < std::min(int(image.width), (ox + 1) * factor); ++x, ++count)
                        sum += image.row(y)[size_t(x) * size_t(bpp) + size_t(c)];
                ASSERT_EQ(out->row(oy)[size_t(ox) * size_t(bpp) + size_t(c)], (sum + count / 2) / count)
                    << "factor " << factor << " block " << ox << "," << oy << " channel " << c;
            }
}

TEST(BlockAverage, EveryBlockIsItsPixelsRoundedMeanAtOddSizesAndBothDepths) {
    for (int depth : {24, 32}) {
        const ImageObject image = noise(203, 149, depth, uint32_t(depth));
        for (int factor : {1, 2, 3, 5, 7, 16}) expectBlockMeans(image, factor);
    }
}

TEST(BlockAverage, BlocksTallerThanSixteenBitColumnSumsHoldStayExact) {
    // All 255: a column of 300 rows sums to 76,500, past what 16 bits hold.
    std::optional<ImageObject> white = createImage(650, 610, 24, 0xFFFFFF);
    ASSERT_TRUE(white);
    expectBlockMeans(*white, 300);
    expectBlockMeans(noise(610, 650, 32, 9), 257);
}

TEST(BlockAverage, NoFactorBelowOneAndNoEmptyImage) {
    EXPECT_FALSE(averageBlocks(noise(8, 8, 24, 1), 0));
    EXPECT_FALSE(averageBlocks(ImageObject{}, 2));
}

}  // namespace
}  // namespace tesselon::testing

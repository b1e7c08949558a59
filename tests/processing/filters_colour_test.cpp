#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "filters_test_images.h"
#include "processing/filters/contrast.h"
#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/grey_scale.h"
#include "processing/filters/invert.h"
#include "processing/filters/tint.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::patternImage;
using testing::pixelAt;
using testing::setPixel;

// One pixel per entry, left to right.
ImageObject rowOf(std::initializer_list<Bgra> pixels, int depth = 24) {
    ImageObject image = *createImage(int(pixels.size()), 1, depth, 0);
    int x = 0;
    for (const Bgra& p : pixels) setPixel(image, x++, 0, p);
    return image;
}

// Every byte value in each channel: pixel x has blue x, green 255 - x, red (x * 7) & 255.
ImageObject allBytes(int depth) {
    ImageObject image = *createImage(256, 1, depth, 0);
    for (int x = 0; x < 256; ++x) setPixel(image, x, 0, {uint8_t(x), uint8_t(255 - x), uint8_t(x * 7), uint8_t(x ^ 0x5A)});
    return image;
}

TEST(FiltersGreyScale, PrimariesAndWhite) {
    ImageObject image = rowOf({{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}});
    applyGreyScale(image);
    EXPECT_EQ(pixelAt(image, 0, 0), (Bgra{76, 76, 76, 255}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Bgra{150, 150, 150, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), (Bgra{29, 29, 29, 255}));
    EXPECT_EQ(pixelAt(image, 3, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(image, 4, 0), (Bgra{0, 0, 0, 255}));
}

// The tables must give what the formula gives, product by product, for every colour.
TEST(FiltersGreyScale, EqualsTheFormulaForEveryColour) {
    ImageObject image = *createImage(256, 256, 24, 0);
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) setPixel(image, b, g, {uint8_t(b), uint8_t(g), uint8_t(r), 255});
        applyGreyScale(image);
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const double y = rounded(rounded(r * 0.29900000000000004) + rounded(g * 0.587)) + rounded(b * 0.114);
                const uint8_t want = uint8_t(std::trunc(y + 0.5));
                const Bgra got = pixelAt(image, b, g);
                if (got[0] != want || got[1] != want || got[2] != want) FAIL() << r << "," << g << "," << b;
            }
    }
}

TEST(FiltersContrast, AmountZeroAndOutOfRangeAmountsChangeNothing) {
    const ImageObject original = patternImage(17, 5, 24);
    for (const int amount : {0, 256, -256, 1000}) {
        ImageObject image = original;
        applyContrast(image, amount);
        EXPECT_EQ(image.pixels, original.pixels) << amount;
    }
}

TEST(FiltersContrast, AmountOneMovesMidTonesByAtMostOneStep) {
    EXPECT_NEAR(contrastFactor(1), 1.0078, 1e-4);
    const ImageObject original = allBytes(24);
    ImageObject image = original;
    applyContrast(image, 1);
    int changed = 0;
    for (int x = 0; x < 256; ++x)
        for (int c = 0; c < 3; ++c) {
            const int d = int(pixelAt(image, x, 0)[c]) - int(pixelAt(original, x, 0)[c]);
            EXPECT_LE(std::abs(d), 1);
            changed += d != 0;
        }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(pixelAt(image, 128, 0)[0], 128);
}

TEST(FiltersContrast, FullAmountLeavesOnlyBlackWhiteAndMiddleGrey) {
    EXPECT_EQ(contrastFactor(255), 129.5f);
    ImageObject image = allBytes(24);
    applyContrast(image, 255);
    for (int x = 0; x < 256; ++x) {
        const uint8_t want = x < 128 ? 0 : x == 128 ? 128 : 255;
        EXPECT_EQ(pixelAt(image, x, 0)[0], want) << x;  // blue holds x
    }
}

TEST(FiltersContrast, KnownValuesAndClamping) {
    // Factor 355 * 259 / (159 * 255) = 2.2677...: 100 -> 128 - 63.50 = 64.50 -> 65.
    ImageObject image = rowOf({{100, 0, 255, 255}, {128, 129, 127, 255}});
    applyContrast(image, 100);
    EXPECT_EQ(pixelAt(image, 0, 0), (Bgra{65, 0, 255, 255}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Bgra{128, 130, 126, 255}));
    // Negative amounts flatten towards grey.
    ImageObject flat = rowOf({{0, 255, 128, 255}});
    applyContrast(flat, -255);
    EXPECT_EQ(pixelAt(flat, 0, 0), (Bgra{128, 128, 128, 255}));
}

TEST(FiltersTint, HalfRedOnWhiteAndBlack) {
    ImageObject image = rowOf({{255, 255, 255, 255}, {0, 0, 0, 255}});
    applyTint(image, 0x0000FF, 50);
    EXPECT_EQ(pixelAt(image, 0, 0), (Bgra{128, 128, 255, 255}));
    EXPECT_EQ(pixelAt(image, 1, 0), (Bgra{0, 0, 128, 255}));
}

TEST(FiltersTint, FullAmountGivesTheColourAndNoneKeepsTheImage) {
    ImageObject full = patternImage(13, 7, 24);
    applyTint(full, 0x00123456, 100);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(pixelAt(full, x, y), (Bgra{0x12, 0x34, 0x56, 255}));

    const ImageObject original = patternImage(13, 7, 24);
    for (const int amount : {0, -1, 101}) {
        ImageObject image = original;
        applyTint(image, 0x00123456, amount);
        EXPECT_EQ(image.pixels, original.pixels) << amount;
    }
}

TEST(FiltersTint, ProductsInSinglePrecision) {
    // Amount 1: a = 0.01f lies below 0.01, so 1 * k + 51 * a = 1.49999999 rounds to 1,
    // where the same sum in double precision throughout gives exactly 1.5 and 2.
    ImageObject image = rowOf({{1, 1, 1, 255}});
    applyTint(image, 0x00333333, 1);
    EXPECT_EQ(pixelAt(image, 0, 0), (Bgra{1, 1, 1, 255}));
}

TEST(FiltersInvert, ComplementsAndTwiceRestores) {
    const ImageObject original = patternImage(9, 4, 24);
    ImageObject image = original;
    applyInvert(image);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) {
            const Bgra a = pixelAt(original, x, y), b = pixelAt(image, x, y);
            ASSERT_EQ(b, (Bgra{uint8_t(255 - a[0]), uint8_t(255 - a[1]), uint8_t(255 - a[2]), 255}));
        }
    applyInvert(image);
    EXPECT_EQ(image.pixels, original.pixels);
}

// A transparent PNG must stay transparent where it was.
TEST(FiltersColour, KeepAlphaOfThirtyTwoBitImages) {
    const ImageObject original = patternImage(11, 6, 32);
    const auto alphaKept = [&](const ImageObject& image) {
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 11; ++x)
                if (pixelAt(image, x, y)[3] != pixelAt(original, x, y)[3]) return false;
        return image.pixels != original.pixels;
    };
    ImageObject image = original;
    applyContrast(image, 80);
    EXPECT_TRUE(alphaKept(image));
    image = original;
    applyGreyScale(image);
    EXPECT_TRUE(alphaKept(image));
    image = original;
    applyInvert(image);
    EXPECT_TRUE(alphaKept(image));
    image = original;
    applyTint(image, 0x00FF00, 40);
    EXPECT_TRUE(alphaKept(image));
}

TEST(FiltersColour, MissingOrBrokenImagesAreLeftAlone) {
    ImageObject empty;
    applyContrast(empty, 50);
    applyGreyScale(empty);
    applyInvert(empty);
    applyTint(empty, 0xFF, 50);
    EXPECT_TRUE(empty.pixels.empty());

    ImageObject broken = patternImage(8, 8, 24);
    broken.pixels.resize(broken.pixels.size() - 1);  // shorter than its size says
    const std::vector<uint8_t> before = broken.pixels;
    applyContrast(broken, 50);
    applyGreyScale(broken);
    applyInvert(broken);
    applyTint(broken, 0xFF, 50);
    EXPECT_EQ(broken.pixels, before);
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_table.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::pixelAt;
using testing::setPixel;

ImageObject randomImage(int width, int height, int depth, unsigned seed) {
    std::optional<ImageObject> image = createImage(width, height, depth, 0);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t v = random();
            setPixel(*image, x, y, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        }
    }
    return *image;
}

TEST(ImagingCreate, FillsBySizeDepthAndColour) {
    const std::optional<ImageObject> clear = createImage(3, 2, 32, kTransparentFill);
    ASSERT_TRUE(clear);
    EXPECT_EQ(clear->depth, 32);
    EXPECT_EQ(clear->sourceDepth, 32);
    EXPECT_EQ(clear->pixels, std::vector<uint8_t>(24, 0));

    const std::optional<ImageObject> blue = createImage(3, 2, 32, 0x00FF0000);
    ASSERT_TRUE(blue);
    EXPECT_EQ(pixelAt(*blue, 2, 1), (Bgra{255, 0, 0, 255}));
    // Any alpha given with a colour is replaced by opaque.
    EXPECT_EQ(pixelAt(*createImage(1, 1, 32, 0x40112233), 0, 0), (Bgra{0x11, 0x22, 0x33, 255}));

    // Anything but 32 means 24 bits; rows stay padded with zeros.
    const std::optional<ImageObject> rgb = createImage(5, 2, 8, 0xFF336699);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->depth, 24);
    EXPECT_EQ(rgb->sourceDepth, 24);
    EXPECT_EQ(rgb->pitch(), 16u);
    EXPECT_EQ(pixelAt(*rgb, 4, 0), (Bgra{0x33, 0x66, 0x99, 255}));
    EXPECT_EQ(rgb->pixels[15], 0);

    for (auto [w, h] : {std::pair{0, 5}, {5, -1}, {32768, 1}, {1, 40000}, {20000, 20000}}) {
        EXPECT_FALSE(createImage(w, h, 24, 0)) << w << "x" << h;
    }
}

TEST(ImagingCopyAndGrab, CopiesExactlyAndCutsWithZeroOutside) {
    ImageObject source = randomImage(4, 3, 24, 1);
    source.sourceDepth = 8;
    source.format = kFormatGIF;
    const std::optional<ImageObject> copy = copyImage(source);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->pixels, source.pixels);
    EXPECT_EQ(copy->sourceDepth, 8);
    EXPECT_EQ(copy->format, kFormatGIF);

    const std::optional<ImageObject> cut = grabImage(source, -1, 1, 3, 3);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->width, 3);
    EXPECT_EQ(cut->height, 3);
    EXPECT_EQ(cut->depth, 24);
    EXPECT_EQ(cut->sourceDepth, 8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            const int sx = x - 1, sy = y + 1;
            const Bgra expected = sx >= 0 && sy < 3 ? pixelAt(source, sx, sy) : Bgra{0, 0, 0, 255};
            EXPECT_EQ(pixelAt(*cut, x, y), expected) << x << "," << y;
        }
    }

    const ImageObject layer = randomImage(2, 2, 32, 2);
    const std::optional<ImageObject> away = grabImage(layer, 5, 5, 2, 2);
    ASSERT_TRUE(away);
    EXPECT_EQ(away->depth, 32);
    EXPECT_EQ(away->pixels, std::vector<uint8_t>(16, 0));
    EXPECT_FALSE(grabImage(layer, 0, 0, 0, 2));
}

TEST(ImagingResize, NothingToDoAndRefusals) {
    ImageObject image = randomImage(6, 4, 24, 3);
    const uint8_t* before = image.pixels.data();
    EXPECT_TRUE(resizeImage(image, 6, 4));
    EXPECT_TRUE(resizeImage(image, kKeepDimension, kKeepDimension));
    EXPECT_EQ(image.pixels.data(), before);

    EXPECT_TRUE(resizeImage(image, 9, kKeepDimension));
    EXPECT_EQ(image.width, 9);
    EXPECT_EQ(image.height, 4);

    const std::vector<uint8_t> kept = image.pixels;
    for (auto [w, h] : {std::pair{0, 4}, {9, -3}, {32768, 4}, {30000, 30000}}) {
        EXPECT_FALSE(resizeImage(image, w, h)) << w << "x" << h;
        EXPECT_EQ(image.width, 9);
        EXPECT_EQ(image.pixels, kept);
    }

    ImageObject animation = randomImage(4, 4, 32, 4);
    animation.frameCount = 2;
    animation.frames.push_back(ImageFrame{animation.pixels, 100});
    EXPECT_FALSE(resizeImage(animation, 2, 2));
    EXPECT_EQ(animation.width, 4);
}

TEST(ImagingResize, SmoothFiltersKeepConstantImagesConstant) {
    for (int depth : {24, 32}) {
        for (auto [w, h] : {std::pair{100, 9}, {5, 61}, {1, 1}, {37, 24}}) {
            std::optional<ImageObject> image = createImage(37, 23, depth, 0x00C08040);
            if (depth == 32) {
                for (size_t i = 3; i < image->pixels.size(); i += 4) image->pixels[i] = 77;
            }
            ASSERT_TRUE(resizeImage(*image, w, h));
            const Bgra expected{0xC0, 0x80, 0x40, uint8_t(depth == 32 ? 77 : 255)};
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) ASSERT_EQ(pixelAt(*image, x, y), expected) << depth << " " << w << "x" << h;
            }
        }
    }
}

TEST(ImagingResize, AreaAveragingOf24BitImages) {
    // A 2 x 2 block becomes its mean: (10 + 20 + 30 + 41) / 4 = 25.25.
    std::optional<ImageObject> block = createImage(2, 2, 24, 0);
    setPixel(*block, 0, 0, {10, 10, 10, 255});
    setPixel(*block, 1, 0, {20, 20, 20, 255});
    setPixel(*block, 0, 1, {30, 30, 30, 255});
    setPixel(*block, 1, 1, {41, 41, 41, 255});
    ASSERT_TRUE(resizeImage(*block, 1, 1));
    EXPECT_EQ(pixelAt(*block, 0, 0), (Bgra{25, 25, 25, 255}));

    // Three pixels into two: each takes one whole pixel and half of the middle one.
    std::optional<ImageObject> row = createImage(3, 1, 24, 0);
    setPixel(*row, 1, 0, {90, 90, 90, 255});
    setPixel(*row, 2, 0, {180, 180, 180, 255});
    ASSERT_TRUE(resizeImage(*row, 2, 1));
    EXPECT_EQ(pixelAt(*row, 0, 0)[0], 30);
    EXPECT_EQ(pixelAt(*row, 1, 0)[0], 150);
}

// The filter written out directly, in double precision.
double mitchell(double x) {
    x = std::fabs(x);
    if (x < 1) return (7 * x * x * x - 12 * x * x + 16.0 / 3) / 6;
    if (x < 2) return (-7.0 / 3 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3) / 6;
    return 0;
}

std::vector<double> mitchellRow(int from, int to, int i) {
    const double scale = double(to) / from, f = std::min(scale, 1.0);
    std::vector<double> w(static_cast<size_t>(from));
    double sum = 0;
    for (int j = 0; j < from; ++j) sum += w[size_t(j)] = mitchell((j + 0.5 - (i + 0.5) / scale) * f);
    for (double& v : w) v /= sum;
    return w;
}

TEST(ImagingResize, MitchellOn32BitImagesMatchesTheFilter) {
    for (auto [w, h] : {std::pair{13, 3}, {4, 11}}) {
        const ImageObject source = randomImage(7, 5, 32, 5);
        ImageObject image = source;
        ASSERT_TRUE(resizeImage(image, w, h));
        for (int y = 0; y < h; ++y) {
            const std::vector<double> wy = mitchellRow(5, h, y);
            for (int x = 0; x < w; ++x) {
                const std::vector<double> wx = mitchellRow(7, w, x);
                for (int c = 0; c < 4; ++c) {
                    double v = 0;
                    for (int sy = 0; sy < 5; ++sy) {
                        for (int sx = 0; sx < 7; ++sx) v += wy[size_t(sy)] * wx[size_t(sx)] * pixelAt(source, sx, sy)[size_t(c)];
                    }
                    EXPECT_NEAR(pixelAt(image, x, y)[size_t(c)], std::clamp(v, 0.0, 255.0), 1.0)
                        << w << "x" << h << " at " << x << "," << y << " channel " << c;
                }
            }
        }
    }
    // The smaller intermediate image decides which axis is filtered first.
    EXPECT_TRUE(verticalPassFirst(100, 100, 50, 10));
    EXPECT_FALSE(verticalPassFirst(100, 100, 10, 50));
    EXPECT_FALSE(verticalPassFirst(100, 100, 40, 40));
}

TEST(ImagingResize, RawModeTakesTheNearestPixel) {
    ImageObject image = randomImage(2, 1, 24, 6);
    const Bgra a = pixelAt(image, 0, 0), b = pixelAt(image, 1, 0);
    ASSERT_TRUE(resizeImage(image, 4, 2, ResizeMode::Raw));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(pixelAt(image, 0, y), a);
        EXPECT_EQ(pixelAt(image, 1, y), a);
        EXPECT_EQ(pixelAt(image, 2, y), b);
        EXPECT_EQ(pixelAt(image, 3, y), b);
    }
    ImageObject layer = randomImage(4, 4, 32, 7);
    const Bgra centre = pixelAt(layer, 1, 3);
    ASSERT_TRUE(resizeImage(layer, 2, 2, ResizeMode::Raw));
    EXPECT_EQ(pixelAt(layer, 0, 1), centre);
}

TEST(ImagingTable, FixedNumbersReplaceAndNewHandlesDoNotCollide) {
    ImageTable table;
    const int first = table.store(3, createImage(1, 1, 24, 0));
    EXPECT_EQ(first, 3);
    std::weak_ptr<ImageObject> old = table.lookup(3);
    EXPECT_EQ(table.store(3, createImage(2, 2, 24, 0)), 3);
    EXPECT_TRUE(old.expired());
    EXPECT_EQ(table.lookup(3)->width, 2);

    const int a = table.store(ImageTable::kNewHandle, createImage(1, 1, 32, 0));
    const int b = table.store(ImageTable::kNewHandle, createImage(1, 1, 32, 0));
    EXPECT_GT(a, ImageTable::kMaxFixedNumber);
    EXPECT_NE(a, b);
    EXPECT_TRUE(table.isImage(a));
    EXPECT_EQ(table.size(), 3u);

    // A held image outlives its number.
    std::shared_ptr<ImageObject> held = table.lookup(a);
    EXPECT_TRUE(table.free(a));
    EXPECT_FALSE(table.isImage(a));
    EXPECT_FALSE(table.free(a));
    EXPECT_EQ(held->depth, 32);

    // Storing a failed result frees the number it asked for.
    EXPECT_EQ(table.store(3, std::nullopt), 0);
    EXPECT_FALSE(table.isImage(3));
    EXPECT_EQ(table.store(0, createImage(1, 1, 24, 0)), 0);
    EXPECT_EQ(table.store(ImageTable::kMaxFixedNumber + 1, createImage(1, 1, 24, 0)), 0);

    table.freeAll();
    EXPECT_EQ(table.size(), 0u);
    EXPECT_FALSE(table.isImage(b));
    EXPECT_EQ(table.lookup(b), nullptr);
}

}  // namespace
}  // namespace tesselon

// Palette images keep their colours and transparency through the save at their own
// depth; colours are reduced only when they do not fit, and then well.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/indexed_pixels.h"
#include "runtime/imaging/palette_reduction.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::pixelAt;
using testing::setPixel;

std::optional<ImageObject> decode(const std::string& bytes) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry());
}

size_t distinctVisibleColours(const std::vector<Bgra>& pixels) {
    std::set<Bgra> colours;
    for (const Bgra& p : pixels) colours.insert(p[3] == 0 ? Bgra{} : p);
    return colours.size();
}

double meanSquaredError(const ImageObject& a, const ImageObject& b) {
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const Bgra p = pixelAt(a, x, y), q = pixelAt(b, x, y);
            for (int c = 0; c < 3; ++c) sum += (p[size_t(c)] - q[size_t(c)]) * (p[size_t(c)] - q[size_t(c)]);
        }
    }
    return sum / (3.0 * a.width * a.height);
}

// The image the indices and palette describe.
ImageObject rebuild(const IndexedPixels& indexed, int width, int height) {
    ImageObject image = *createImage(width, height, 32, kTransparentFill);
    for (int i = 0; i < width * height; ++i) {
        const PaletteColour& c = indexed.palette[indexed.indices[size_t(i)]];
        setPixel(image, i % width, i / width, {c.blue, c.green, c.red, c.alpha});
    }
    return image;
}

TEST(PaletteImages, CorpusDecodesAndSurvivesTheSaveAtItsOwnDepth) {
    for (const testing::PaletteSample& sample : testing::paletteCorpus()) {
        SCOPED_TRACE(sample.name);
        const std::optional<ImageObject> decoded = decode(sample.bytes);
        ASSERT_TRUE(decoded);
        // A GIF's transparent index, a PNG's transparency chunk: alpha in memory.
        EXPECT_TRUE(testing::sameVisiblePixels(*decoded, sample));

        const std::optional<std::string> png = encodeImage(*decoded, *formatByExtension("png"));
        ASSERT_TRUE(png);
        const testing::PngChunks chunks = testing::pngChunksOf(*png);
        EXPECT_EQ(chunks.colourType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(chunks.bitDepth, decoded->sourceDepth);
        EXPECT_EQ(chunks.paletteEntries, distinctVisibleColours(sample.pixels));
        EXPECT_EQ(chunks.transparencyBytes > 0, sample.transparent);
        const std::optional<ImageObject> back = decode(*png);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->sourceDepth, decoded->sourceDepth);
        EXPECT_TRUE(testing::sameVisiblePixels(*back, sample));
    }
}

TEST(PaletteImages, TranslucentPixelsBeyondThePaletteKeepTheirAlpha) {
    // 2000 colours over a ramp of alpha, a transparent band and an opaque one.
    std::optional<ImageObject> image = createImage(100, 40, 32, kTransparentFill);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            const uint8_t alpha = y < 10 ? 0 : y < 20 ? 255 : uint8_t((x * 255) / 99);
            setPixel(*image, x, y, {uint8_t(x * 2), uint8_t(y * 6), uint8_t((x * y) % 256), alpha});
        }
    }
    const std::optional<std::string> png =
        encodeImage(*image, *formatByExtension("png"), {EncodeQuality::ofLevel(7), 8});
    ASSERT_TRUE(png);
    const testing::PngChunks chunks = testing::pngChunksOf(*png);
    EXPECT_EQ(chunks.colourType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(chunks.paletteEntries, 256u);
    EXPECT_GT(chunks.transparencyBytes, 1u);
    const std::optional<ImageObject> back = decode(*png);
    ASSERT_TRUE(back && back->depth == 32);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            const int expected = pixelAt(*image, x, y)[3], got = pixelAt(*back, x, y)[3];
            if (expected == 0 || expected == 255) {
                ASSERT_EQ(got, expected) << x << ", " << y;
            } else {
                ASSERT_NEAR(got, expected, 24) << x << ", " << y;
            }
        }
    }
}

TEST(PaletteImages, TooManyOpaqueColoursAreStillLearnedAtThePaletteDepth) {
    // The learning network keeps its place for the save at a palette depth: a transparent
    // area keeps an entry of its own beside the learned ones.
    std::optional<ImageObject> image = createImage(64, 32, 32, kTransparentFill);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 64; ++x) setPixel(*image, x, y, {uint8_t(x * 4), uint8_t(y * 16), 90, 255});
    }
    const std::optional<std::string> png =
        encodeImage(*image, *formatByExtension("png"), {EncodeQuality::ofLevel(7), 4});
    ASSERT_TRUE(png);
    EXPECT_EQ(testing::pngChunksOf(*png).paletteEntries, 16u);
    EXPECT_EQ(testing::pngChunksOf(*png).transparencyBytes, 1u);
    const std::optional<ImageObject> back = decode(*png);
    ASSERT_TRUE(back);
    EXPECT_EQ(pixelAt(*back, 5, 20)[3], 0);
    EXPECT_EQ(pixelAt(*back, 5, 5)[3], 255);
    EXPECT_LT(meanSquaredError(*back, *image), 300);
}

// 60 flat areas of their own colour, with 2000 one-pixel specks of other colours.
ImageObject drawingWithSpecks() {
    ImageObject image = *createImage(300, 200, 24, 0);
    std::mt19937 random(5);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const int area = (x / 30) + 10 * (y / 34);
            setPixel(image, x, y, {uint8_t(area * 4), uint8_t(255 - area * 3), uint8_t(area * 37), 255});
        }
    }
    for (int i = 0; i < 2000; ++i) {
        setPixel(image, int(random() % 300), int(random() % 200),
                 {uint8_t(random()), uint8_t(random()), uint8_t(random()), 255});
    }
    return image;
}

TEST(PaletteReduction, PhotographLosesLessThanWithTheLearningNetwork) {
    const std::optional<ImageObject> photo = decode(testing::imageFixture("photo.jpg"));
    ASSERT_TRUE(photo);
    for (int size : {16, 256}) {
        SCOPED_TRACE(size);
        const std::optional<IndexedPixels> cut = indexPixels(pixelRowsOf(*photo), size, ColourReduction::MedianCut);
        const std::optional<IndexedPixels> learned = indexPixels(pixelRowsOf(*photo), size, ColourReduction::NeuQuant);
        ASSERT_TRUE(cut && learned);
        EXPECT_LE(cut->palette.size(), size_t(size));
        EXPECT_LT(meanSquaredError(rebuild(*cut, photo->width, photo->height), *photo),
                  meanSquaredError(rebuild(*learned, photo->width, photo->height), *photo));
        // The same pixels always give the same palette.
        EXPECT_EQ(indexPixels(pixelRowsOf(*photo), size, ColourReduction::MedianCut)->palette, cut->palette);
    }
}

TEST(PaletteReduction, TransparentPixelsShareOneEntryBesideTheReducedColours) {
    ImageObject image = drawingWithSpecks();
    std::optional<ImageObject> clear = createImage(300, 200, 32, kTransparentFill);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            Bgra p = pixelAt(image, x, y);
            if (x < 40) p = {uint8_t(x), uint8_t(y), 7, 0};  // hidden colours of their own
            setPixel(*clear, x, y, p);
        }
    }
    const std::optional<IndexedPixels> indexed = indexPixels(pixelRowsOf(*clear), 256, ColourReduction::MedianCut);
    ASSERT_TRUE(indexed);
    ASSERT_EQ(indexed->transparentIndex(), 0);
    EXPECT_EQ(indexed->translucentEntries(), 1);
    EXPECT_EQ(indexed->palette.size(), 256u);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            ASSERT_EQ(indexed->indices[size_t(y * 300 + x)] == 0, x < 40) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace tesselon

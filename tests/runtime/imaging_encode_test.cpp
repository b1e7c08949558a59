// Encoding through the rows of the format table: every format with an encoder saves,
// the quality an encoder sees is always in range, and the image service's own saves
// compress fully while results are written quickly.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging_test_images.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::pixelAt;
using testing::setPixel;
using testing::TempDir;

// A 24-bit picture with smooth gradients and a little texture.
ImageObject gradient(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setPixel(image, x, y, {uint8_t(x * 255 / width), uint8_t(y * 255 / height), uint8_t((x * y) % 251), 255});
    return image;
}

// The filter byte of every row of a non-interlaced 8-bit RGB PNG.
std::vector<int> rowFilters(const std::string& png, int width, int height) {
    std::string compressed;
    for (size_t p = 8; p + 12 <= png.size();) {
        size_t length = 0;
        for (int i = 0; i < 4; ++i) length = length << 8 | uint8_t(png[p + size_t(i)]);
        if (png.compare(p + 4, 4, "IDAT") == 0) compressed += png.substr(p + 8, length);
        p += length + 12;
    }
    const size_t rowBytes = 1 + size_t(width) * 3;
    std::vector<unsigned char> raw(rowBytes * size_t(height));
    uLongf size = uLongf(raw.size());
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()), uLong(compressed.size())) !=
            Z_OK ||
        size != raw.size())
        return {};
    std::vector<int> filters;
    for (int y = 0; y < height; ++y) filters.push_back(raw[size_t(y) * rowBytes]);
    return filters;
}

TEST(EncodeQuality, StoredPercentagesAndServiceLevelsComeOutInRange) {
    // A stored quality: nothing or less means the encoders' default, more than 100 is 100.
    EXPECT_EQ(EncodeQuality::ofPercent(0).value(), 80);
    EXPECT_EQ(EncodeQuality::ofPercent(-1).value(), 80);
    EXPECT_EQ(EncodeQuality::ofPercent(INT_MIN).value(), 80);
    EXPECT_EQ(EncodeQuality::ofPercent(1).value(), 1);
    EXPECT_EQ(EncodeQuality::ofPercent(55).value(), 55);
    EXPECT_EQ(EncodeQuality::ofPercent(100).value(), 100);
    EXPECT_EQ(EncodeQuality::ofPercent(101).value(), 100);
    EXPECT_EQ(EncodeQuality::ofPercent(INT_MAX).value(), 100);
    // The image service's levels: ten per level, whatever number is given.
    EXPECT_EQ(EncodeQuality::ofLevel(0).value(), 0);
    EXPECT_EQ(EncodeQuality::ofLevel(5).value(), 50);
    EXPECT_EQ(EncodeQuality::ofLevel(INT_MAX).value(), 100);
    EXPECT_EQ(EncodeQuality::ofLevel(INT_MIN).value(), 0);
    // The default options are the service's default level.
    EXPECT_EQ(EncodeOptions{}.quality.value(), 70);
}

TEST(ImagingEncode, EveryFormatWithAnEncoderSavesThroughItsRow) {
    TempDir dir;
    const ImageObject image = gradient(48, 32);
    for (const ImageFormat& format : imageFormats()) {
        const std::string path = dir.file("out." + std::string(format.extensions[0]));
        const bool saved = saveImage(image, path, format, {EncodeQuality::ofLevel(9)});
        EXPECT_EQ(saved, format.encodable()) << format.name;
        if (!saved) continue;
        const std::optional<ImageObject> back = loadImage(path, standardRegistry());
        ASSERT_TRUE(back) << format.name;
        EXPECT_EQ(back->format, format.code) << format.name;
        EXPECT_EQ(back->width, 48) << format.name;
        EXPECT_EQ(back->height, 32) << format.name;
    }
    // TIFF is read only.
    EXPECT_FALSE(formatByExtension("tif")->encodable());
}

TEST(ImagingEncode, EachRowKeepsTheAlphaItsFormatCan) {
    // An opaque, a half-transparent and a fully transparent red pixel, saved at depth 32.
    std::optional<ImageObject> image = createImage(3, 1, 32, kTransparentFill);
    setPixel(*image, 0, 0, {0, 0, 255, 255});
    setPixel(*image, 1, 0, {0, 0, 255, 128});
    setPixel(*image, 2, 0, {0, 0, 255, 0});
    auto saved = [&](const char* extension) {
        const std::optional<std::string> bytes = encodeImage(*image, *formatByExtension(extension), {EncodeQuality::ofLevel(7), 32});
        EXPECT_TRUE(bytes) << extension;
        return catchImage(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), standardRegistry());
    };
    for (const char* every : {"png", "bmp"}) {
        const std::optional<ImageObject> back = saved(every);
        ASSERT_TRUE(back) << every;
        EXPECT_EQ(back->pixels, image->pixels) << every;
    }
    const std::optional<ImageObject> gif = saved("gif");
    ASSERT_TRUE(gif);
    EXPECT_EQ(pixelAt(*gif, 0, 0), (Bgra{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*gif, 1, 0), (Bgra{127, 127, 255, 255}));  // over white
    EXPECT_EQ(pixelAt(*gif, 2, 0)[3], 0);
    const std::optional<ImageObject> bmpFlat = [&] {
        const std::optional<std::string> bytes = encodeImage(*image, *formatByExtension("bmp"), {EncodeQuality::ofLevel(7), 24});
        return catchImage(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), standardRegistry());
    }();
    ASSERT_TRUE(bmpFlat);
    EXPECT_EQ(bmpFlat->depth, 24);
    EXPECT_EQ(pixelAt(*bmpFlat, 2, 0), (Bgra{255, 255, 255, 255}));
}

TEST(ImagingEncode, TheServiceCompressesPngFullyAndQuickEffortFilters) {
    const ImageObject image = gradient(64, 48);
    EncodeOptions options{EncodeQuality::ofLevel(7), 24};
    const std::optional<std::string> smallest = encodeImage(image, *formatByExtension("png"), options);
    options.effort = EncodeEffort::Quick;
    const std::optional<std::string> quick = encodeImage(image, *formatByExtension("png"), options);
    ASSERT_TRUE(smallest && quick);
    const std::vector<int> unfiltered = rowFilters(*smallest, 64, 48);
    ASSERT_EQ(unfiltered.size(), 48u);
    for (int filter : unfiltered) EXPECT_EQ(filter, 0);
    const std::vector<int> adaptive = rowFilters(*quick, 64, 48);
    ASSERT_EQ(adaptive.size(), 48u);
    EXPECT_NE(std::count(adaptive.begin(), adaptive.end(), 0), 48);
    // Both are the same picture.
    const auto decode = [](const std::string& bytes) {
        return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry())->pixels;
    };
    EXPECT_EQ(decode(*smallest), image.pixels);
    EXPECT_EQ(decode(*quick), image.pixels);
}

}  // namespace
}  // namespace tesselon

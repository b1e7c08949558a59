#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "output_test_support.h"
#include "processing/output/save_output.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::output::gradientImage;
using testing::output::halfTransparentImage;
using testing::output::pixelAt;

std::optional<std::string> resultOf(const ImageObject& image, const char* format, int quality) {
    return encodeOutput(image, formatBySettingsValue(format), quality);
}

std::optional<std::string> jpegAt(const PixelRows& rows, int quality) {
    return encodeJpeg(rows, {EncodeQuality::ofPercent(quality)});
}

std::optional<ImageObject> decode(const std::optional<std::string>& bytes) {
    if (!bytes) return std::nullopt;
    return catchImage(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), standardRegistry());
}

void expectNear(const uint8_t* bgr, int blue, int green, int red, int tolerance, const char* what) {
    EXPECT_NEAR(bgr[0], blue, tolerance) << what;
    EXPECT_NEAR(bgr[1], green, tolerance) << what;
    EXPECT_NEAR(bgr[2], red, tolerance) << what;
}

TEST(ResultEncoder, JpegQualityWithZeroMeaningEightyAndNoMoreThanAHundred) {
    const ImageObject image = gradientImage(48, 32);
    const PixelRows rows = pixelRowsOf(image);
    EXPECT_EQ(resultOf(image, "jpg", 10), jpegAt(rows, 10));
    EXPECT_EQ(resultOf(image, "jpg", 100), jpegAt(rows, 100));
    EXPECT_EQ(resultOf(image, "jpg", 0), jpegAt(rows, 80));
    EXPECT_EQ(resultOf(image, "jpg", -7), jpegAt(rows, 80));
    EXPECT_EQ(resultOf(image, "jpg", 180), jpegAt(rows, 100));
    EXPECT_EQ(resultOf(image, "jpg", 1 << 20), jpegAt(rows, 100));
    EXPECT_NE(resultOf(image, "jpg", 10), resultOf(image, "jpg", 100));
}

TEST(ResultEncoder, JpegLaysTransparencyOverWhite) {
    const std::optional<ImageObject> jpeg = decode(resultOf(halfTransparentImage(32, 16), "jpg", 95));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->format, kFormatJPEG);
    expectNear(pixelAt(*jpeg, 4, 8), 0, 0, 255, 8, "opaque red");
    expectNear(pixelAt(*jpeg, 22, 8), 255, 255, 255, 8, "transparent");
}

TEST(ResultEncoder, PngKeepsEveryPixelAndTheAlpha) {
    const ImageObject rgba = halfTransparentImage(20, 10);
    const std::optional<ImageObject> png32 = decode(resultOf(rgba, "png", 50));
    ASSERT_TRUE(png32);
    EXPECT_EQ(png32->format, kFormatPNG);
    EXPECT_EQ(png32->depth, 32);
    EXPECT_EQ(png32->pixels, rgba.pixels);

    const ImageObject rgb = gradientImage(33, 17);  // rows padded to 4 bytes
    const std::optional<ImageObject> png24 = decode(resultOf(rgb, "png", 50));
    ASSERT_TRUE(png24);
    EXPECT_EQ(png24->depth, 24);
    EXPECT_EQ(png24->pixels, rgb.pixels);
}

TEST(ResultEncoder, GifDecodesBackWithItsTransparency) {
    const std::optional<ImageObject> gif = decode(resultOf(halfTransparentImage(16, 8), "gif", 50));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->format, kFormatGIF);
    ASSERT_EQ(gif->width, 16);
    ASSERT_EQ(gif->height, 8);
    // Few colours are kept exactly.
    EXPECT_EQ(pixelAt(*gif, 2, 3)[3], 255);
    expectNear(pixelAt(*gif, 2, 3), 0, 0, 255, 0, "opaque red");
    EXPECT_EQ(pixelAt(*gif, 10, 3)[3], 0);
    // Half-transparent red over white: 255, 127, 127.
    EXPECT_EQ(pixelAt(*gif, 15, 3)[3], 255);
    expectNear(pixelAt(*gif, 15, 3), 127, 127, 255, 0, "half-transparent red");

    const ImageObject photo = gradientImage(160, 120);
    const std::optional<ImageObject> opaque = decode(resultOf(photo, "gif", 50));
    ASSERT_TRUE(opaque);
    for (int y = 0; y < 120; y += 7) {
        for (int x = 0; x < 160; x += 9) {
            const uint8_t* p = pixelAt(photo, x, y);
            EXPECT_EQ(pixelAt(*opaque, x, y)[3], 255);
            expectNear(pixelAt(*opaque, x, y), p[0], p[1], p[2], 24, "gradient");
        }
    }
}

TEST(ResultEncoder, RefusesFormatsWithoutAResultEncoder) {
    const ImageObject image = gradientImage(8, 8);
    const auto encodeAs = [&image](const ImageFormat* format) { return encodeOutput(image, format, 50); };
    EXPECT_FALSE(encodeAs(formatByCode(kFormatTIFF)));
    EXPECT_FALSE(encodeAs(formatByCode(kFormatBMP)));
    EXPECT_FALSE(encodeAs(nullptr));
    EXPECT_TRUE(encodeAs(formatByCode(kFormatJPEG)));
}

TEST(ResultEncoder, ThirtyTwoBitImagesReachAFormatWithAlphaWithIt) {
    // A 32-bit image saved at depth 32 reaches the encoder with its alpha.
    const ImageObject rgba = halfTransparentImage(6, 6);
    const std::optional<ImageObject> png = decode(encodeOutput(rgba, formatBySettingsValue("png"), 50));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->pixels, rgba.pixels);
}

TEST(ResultEncoder, PngResultsAreTrueColourWhateverTheSourceDepth) {
    // The image service would save these at their source's depth as palettes; results
    // keep every colour.
    for (int sourceDepth : {1, 8, 16, 24, 48}) {
        ImageObject rgb = gradientImage(40, 30);
        rgb.sourceDepth = sourceDepth;
        const std::optional<std::string> png = resultOf(rgb, "png", 50);
        ASSERT_TRUE(png) << sourceDepth;
        EXPECT_EQ(testing::pngChunksOf(*png).colourType, 2) << sourceDepth;
        EXPECT_EQ(decode(png)->pixels, rgb.pixels) << sourceDepth;

        ImageObject rgba = halfTransparentImage(40, 30);
        rgba.sourceDepth = sourceDepth;
        const std::optional<std::string> withAlpha = resultOf(rgba, "png", 50);
        ASSERT_TRUE(withAlpha) << sourceDepth;
        EXPECT_EQ(testing::pngChunksOf(*withAlpha).colourType, 6) << sourceDepth;
        EXPECT_EQ(decode(withAlpha)->pixels, rgba.pixels) << sourceDepth;
    }
}

TEST(ResultEncoder, GifResultsKeepTransparencyWhereTheSourcesDepthHadIt) {
    // A palette (a GIF or palette PNG source), 32 bits, or samples of 16 bits with alpha
    // (64 bits, which no encoder takes) keep the transparent pixels; a source of 16 or 24
    // bits lays them over white.
    for (const auto& [sourceDepth, transparent] :
         {std::pair{8, true}, std::pair{32, true}, std::pair{64, true}, std::pair{16, false}, std::pair{24, false}}) {
        ImageObject image = halfTransparentImage(16, 8);
        image.sourceDepth = sourceDepth;
        const std::optional<ImageObject> gif = decode(resultOf(image, "gif", 50));
        ASSERT_TRUE(gif) << sourceDepth;
        EXPECT_EQ(pixelAt(*gif, 10, 3)[3], transparent ? 0 : 255) << sourceDepth;
        if (!transparent) expectNear(pixelAt(*gif, 10, 3), 255, 255, 255, 0, "transparent over white");
    }
}

TEST(ResultEncoder, ResultsAreCompressedQuicklyAndTheServiceFully) {
    const ImageObject image = gradientImage(64, 48);
    const ImageFormat& png = *formatBySettingsValue("png");
    EncodeOptions options{EncodeQuality::ofPercent(50), 24};
    const std::optional<std::string> service = encodeImage(image, png, options);
    options.effort = EncodeEffort::Quick;
    const std::optional<std::string> quick = encodeImage(image, png, options);
    ASSERT_TRUE(service && quick);
    EXPECT_NE(*service, *quick);
    EXPECT_EQ(resultOf(image, "png", 50), quick);
}

}  // namespace
}  // namespace tesselon

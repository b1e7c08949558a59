#include <gtest/gtest.h>

#include <cstdlib>

#include "output_test_support.h"
#include "processing/output/sys_encoder.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/image_save.h"

namespace tesselon {
namespace {

using testing::output::gradientImage;
using testing::output::halfTransparentImage;
using testing::output::outputRegistry;
using testing::output::pixelAt;

std::optional<std::string> sysEncode(const ImageObject& image, const char* format, int quality) {
    return encodeSysImage(EncodeRequest{pixelRowsOf(image), quality, image.depth, nullptr, formatBySettingsValue(format)});
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

TEST(SysEncoder, JpegQualityWithZeroMeaningEightyAndNoMoreThanAHundred) {
    const ImageObject image = gradientImage(48, 32);
    const PixelRows rows = pixelRowsOf(image);
    EXPECT_EQ(sysEncode(image, "jpg", 10), encodeJpeg(rows, 10));
    EXPECT_EQ(sysEncode(image, "jpg", 100), encodeJpeg(rows, 100));
    EXPECT_EQ(sysEncode(image, "jpg", 0), encodeJpeg(rows, 80));
    EXPECT_EQ(sysEncode(image, "jpg", -7), encodeJpeg(rows, 80));
    EXPECT_EQ(sysEncode(image, "jpg", 180), encodeJpeg(rows, 100));
    EXPECT_EQ(sysEncode(image, "jpg", 1 << 20), encodeJpeg(rows, 100));
    EXPECT_NE(sysEncode(image, "jpg", 10), sysEncode(image, "jpg", 100));
}

TEST(SysEncoder, JpegLaysTransparencyOverWhite) {
    const std::optional<ImageObject> jpeg = decode(sysEncode(halfTransparentImage(32, 16), "jpg", 95));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->format, kFormatJPEG);
    expectNear(pixelAt(*jpeg, 4, 8), 0, 0, 255, 8, "opaque red");
    expectNear(pixelAt(*jpeg, 22, 8), 255, 255, 255, 8, "transparent");
}

TEST(SysEncoder, PngKeepsEveryPixelAndTheAlpha) {
    const ImageObject rgba = halfTransparentImage(20, 10);
    const std::optional<ImageObject> png32 = decode(sysEncode(rgba, "png", 50));
    ASSERT_TRUE(png32);
    EXPECT_EQ(png32->format, kFormatPNG);
    EXPECT_EQ(png32->depth, 32);
    EXPECT_EQ(png32->pixels, rgba.pixels);

    const ImageObject rgb = gradientImage(33, 17);  // rows padded to 4 bytes
    const std::optional<ImageObject> png24 = decode(sysEncode(rgb, "png", 50));
    ASSERT_TRUE(png24);
    EXPECT_EQ(png24->depth, 24);
    EXPECT_EQ(png24->pixels, rgb.pixels);
}

TEST(SysEncoder, GifDecodesBackWithItsTransparency) {
    const std::optional<ImageObject> gif = decode(sysEncode(halfTransparentImage(16, 8), "gif", 50));
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
    const std::optional<ImageObject> opaque = decode(sysEncode(photo, "gif", 50));
    ASSERT_TRUE(opaque);
    for (int y = 0; y < 120; y += 7) {
        for (int x = 0; x < 160; x += 9) {
            const uint8_t* p = pixelAt(photo, x, y);
            EXPECT_EQ(pixelAt(*opaque, x, y)[3], 255);
            expectNear(pixelAt(*opaque, x, y), p[0], p[1], p[2], 24, "gradient");
        }
    }
}

TEST(SysEncoder, RefusesFormatsWithoutAResultEncoder) {
    const ImageObject image = gradientImage(8, 8);
    const auto encodeAs = [&image](const ImageFormat* format) {
        return encodeSysImage(EncodeRequest{pixelRowsOf(image), 50, 24, nullptr, format});
    };
    EXPECT_FALSE(encodeAs(formatByCode(kFormatTIFF)));
    EXPECT_FALSE(encodeAs(formatByCode(kFormatBMP)));
    EXPECT_FALSE(encodeAs(nullptr));
    EXPECT_TRUE(encodeAs(formatByCode(kFormatJPEG)));
}

TEST(SysEncoder, RegistersOnceAndSavesThroughTheRegistry) {
    CodecRegistry registry = outputRegistry();
    EXPECT_TRUE(registry.hasEncoder(kFormatSys));
    EXPECT_FALSE(registerSysEncoder(registry));
    // A 32-bit image saved at depth 32 reaches the 32-bit operation with its alpha.
    const ImageObject rgba = halfTransparentImage(6, 6);
    const std::optional<ImageObject> png =
        decode(encodeImage(rgba, registry, kFormatSys, 50, 32, nullptr, formatBySettingsValue("png")));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->pixels, rgba.pixels);
}

}  // namespace
}  // namespace tesselon

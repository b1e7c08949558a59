// WebP, AVIF and HEIC through the imaging service: what their files decode to, what
// results in them keep, and what their headers declare before any pixel is decoded.
#include <gtest/gtest.h>

#include <cmath>

#include "runtime/imaging/avif_codec.h"
#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/exif_block.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging_test_images.h"
#include "support/icc_profile.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::imageFixture;
using testing::pixelAt;

constexpr const char* kWebFormats[] = {"webp", "avif", "heic"};

const ImageFormat& formatFor(const char* extension) { return *formatByExtension(extension); }

std::optional<ImageObject> decode(const std::string& bytes) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry());
}

std::optional<DeclaredImage> declared(const std::string& bytes) {
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return readDeclaredImage(reader, standardRegistry());
}

std::optional<std::string> encode(const char* extension, const ImageObject& image, int quality,
                                  const EmbeddedMetadata* metadata = nullptr) {
    return formatFor(extension).encode(pixelRowsOf(image), {EncodeQuality::ofPercent(quality), image.depth, metadata});
}

// Smooth light with some texture, as photographs have: what lossy coders are made for.
ImageObject photoLike(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double texture = 10 * std::sin(x * 0.13) * std::cos(y * 0.11);
            testing::setPixel(image, x, y,
                              Bgra{uint8_t(60 + 120 * v + texture), uint8_t(90 + 80 * std::sin(6 * u) + texture),
                                   uint8_t(200 - 150 * u * v), 255});
        }
    }
    return image;
}

double psnr(const ImageObject& a, const ImageObject& b) {
    double squares = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = double(pixelAt(a, x, y)[c]) - pixelAt(b, x, y)[c];
                squares += d * d;
            }
    const double mse = squares / (3.0 * a.width * a.height);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// 32-bit: opaque red on the left third, half-transparent blue in the middle, fully
// transparent on the right.
ImageObject translucent(int width, int height) {
    ImageObject image = *createImage(width, height, 32, kTransparentFill);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (x < width / 3) testing::setPixel(image, x, y, Bgra{0, 0, 255, 255});
            else if (x < 2 * width / 3) testing::setPixel(image, x, y, Bgra{255, 0, 0, 128});
        }
    return image;
}

TEST(WebFormats, PhotosComeBackCloseAtQualityEighty) {
    const ImageObject photo = photoLike(192, 128);
    for (const char* extension : kWebFormats) {
        SCOPED_TRACE(extension);
        const std::optional<ImageObject> back = decode(*encode(extension, photo, 80));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->format, formatFor(extension).code);
        EXPECT_EQ(back->depth, 24);
        ASSERT_EQ(back->width, photo.width);
        ASSERT_EQ(back->height, photo.height);
        EXPECT_GE(psnr(*back, photo), 32.0);
        // A lower quality gives a smaller file.
        EXPECT_LT(encode(extension, photo, 30)->size(), encode(extension, photo, 90)->size());
    }
}

TEST(WebFormats, TransparencyIsKeptAndOpaqueImagesStayOpaque) {
    const ImageObject image = translucent(96, 48);
    for (const char* extension : kWebFormats) {
        SCOPED_TRACE(extension);
        const std::optional<ImageObject> back = decode(*encode(extension, image, 90));
        ASSERT_TRUE(back);
        ASSERT_EQ(back->depth, 32);
        EXPECT_EQ(pixelAt(*back, 10, 20)[3], 255);
        EXPECT_NEAR(pixelAt(*back, 10, 20)[2], 255, 12);
        EXPECT_NEAR(pixelAt(*back, 48, 20)[3], 128, 8);
        EXPECT_NEAR(pixelAt(*back, 48, 20)[0], 255, 16);
        EXPECT_EQ(pixelAt(*back, 85, 20)[3], 0);

        // 32-bit pixels that are all opaque need no alpha plane.
        ImageObject opaque = *createImage(64, 32, 32, 0x00336699);
        const std::optional<ImageObject> plain = decode(*encode(extension, opaque, 90));
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->depth, 24);
    }
}

TEST(WebFormats, FilesOfOtherWritersDecode) {
    const std::optional<ImageObject> jpeg = decode(imageFixture("photo.jpg"));
    ASSERT_TRUE(jpeg);
    // photo.avif holds 12-bit samples, photo.heic 10-bit ones: both scaled to 8.
    for (const char* name : {"photo.webp", "photo.avif", "photo.heic", "turned.avif"}) {
        SCOPED_TRACE(name);
        const std::optional<ImageObject> image = decode(imageFixture(name));
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width, 64);
        ASSERT_EQ(image->height, 48);
        // The same noisy picture as the JPEG fixture, through other lossy coders.
        EXPECT_GE(psnr(*image, *jpeg), 24.0);
    }
    for (const char* name : {"alpha.webp", "alpha.avif"}) {
        SCOPED_TRACE(name);
        const std::optional<ImageObject> image = decode(imageFixture(name));
        ASSERT_TRUE(image);
        ASSERT_EQ(image->depth, 32);
        EXPECT_NEAR(pixelAt(*image, 10, 30)[3], 128, 4);  // half-transparent red
        EXPECT_NEAR(pixelAt(*image, 10, 30)[2], 255, 12);
        EXPECT_EQ(pixelAt(*image, 50, 10)[3], 255);        // blue
        EXPECT_NEAR(pixelAt(*image, 50, 10)[0], 255, 12);
        EXPECT_EQ(pixelAt(*image, 50, 40)[3], 0);          // nothing
    }
}

TEST(WebFormats, AnAnimatedWebpGivesItsFirstFrameAndDeclaresItsFrames) {
    const std::string animation = imageFixture("animated.webp");
    const std::optional<ImageObject> first = decode(animation);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->frameCount, 1);
    EXPECT_EQ(pixelAt(*first, 8, 8), (Bgra{0, 0, 255, 255}));  // red, not the blue second frame
    const std::optional<DeclaredImage> header = declared(animation);
    ASSERT_TRUE(header && header->sizeKnown);
    EXPECT_EQ(header->frames, 2);
    EXPECT_EQ(header->pixels(), 256u);
}

TEST(WebFormats, HeadersDeclareTheSizeAndBombsAreKnownBeforeDecoding) {
    for (const char* name : {"photo.webp", "alpha.webp", "photo.avif", "alpha.avif", "photo.heic", "turned.avif"}) {
        SCOPED_TRACE(name);
        const std::optional<DeclaredImage> header = declared(imageFixture(name));
        ASSERT_TRUE(header && header->sizeKnown);
        EXPECT_EQ(header->format, decode(imageFixture(name))->format);
        // Never less than the picture: a turned one keeps its pixel count, and an HEVC
        // picture declares its coded size, which is cropped.
        EXPECT_GE(header->pixels(), 64u * 48u);
        EXPECT_LE(header->pixels(), 64u * 64u);
        EXPECT_GT(decodeMemoryBound(*header), header->pixels() * 4);
    }

    // Forty bytes of WebP declaring a 16384 x 16384 canvas: known for what it is, and
    // refused whole by the decoder.
    std::string webp("RIFF\x20\0\0\0WEBPVP8X\x0a\0\0\0\x10\0\0\0\xff\x3f\0\xff\x3f\0ALPH\x02\0\0\0\0\0", 40);
    const std::optional<DeclaredImage> bomb = declared(webp);
    ASSERT_TRUE(bomb && bomb->sizeKnown);
    EXPECT_EQ(bomb->pixels(), uint64_t(16384) * 16384);
    EXPECT_GE(decodeMemoryBound(*bomb), uint64_t(2) << 30);
    EXPECT_FALSE(decode(webp));

    // An AVIF whose item properties claim 30000 x 30000.
    std::string avif = imageFixture("photo.avif");
    const size_t ispe = avif.find("ispe");
    ASSERT_NE(ispe, std::string::npos);
    for (size_t at : {ispe + 8, ispe + 12}) avif.replace(at, 4, std::string("\0\0\x75\x30", 4));
    EXPECT_EQ(declared(avif)->pixels(), uint64_t(30000) * 30000);
    EXPECT_FALSE(decode(avif));
}

TEST(WebFormats, TheFilesRotationAndMirrorAreApplied) {
    // HEIF's quarter turns go anti-clockwise; EXIF names the same eight placements.
    EXPECT_EQ(orientationOfTransforms(-1, -1), 1);
    EXPECT_EQ(orientationOfTransforms(1, -1), 8);
    EXPECT_EQ(orientationOfTransforms(3, -1), 6);
    EXPECT_EQ(orientationOfTransforms(-1, 1), 2);
    EXPECT_EQ(orientationOfTransforms(1, 0), 5);

    // A result whose kept EXIF says "turn a quarter clockwise" carries that turn in the
    // file's own rotation, so it shows (and decodes) turned, with the marked top-left
    // corner at the top right.
    ImageObject marked = *createImage(40, 20, 24, 0x808080);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) testing::setPixel(marked, x, y, Bgra{0, 0, 255, 255});
    const EmbeddedMetadata turn{testing::exifWithOrientation(6), ""};
    for (const char* extension : {"avif", "heic"}) {
        SCOPED_TRACE(extension);
        const std::optional<ImageObject> shown = decode(*encode(extension, marked, 95, &turn));
        ASSERT_TRUE(shown);
        ASSERT_EQ(shown->width, 20);
        ASSERT_EQ(shown->height, 40);
        EXPECT_NEAR(pixelAt(*shown, 17, 2)[2], 255, 24);
        EXPECT_NEAR(pixelAt(*shown, 2, 2)[2], 128, 24);
    }
}

TEST(WebFormats, ResultsKeepExifAndTheColourProfile) {
    const EmbeddedMetadata kept{testing::exifWithOrientation(3), testing::testIccProfile()};
    const ImageObject photo = photoLike(48, 32);
    for (const char* extension : kWebFormats) {
        SCOPED_TRACE(extension);
        const std::string file = *encode(extension, photo, 80, &kept);
        const EmbeddedMetadata back = readEmbeddedMetadata(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        EXPECT_EQ(back.icc, kept.icc);
        const std::optional<ExifBlock> exif = ExifBlock::parse(back.exif);
        ASSERT_TRUE(exif);
        EXPECT_EQ(exif->orientation(), 3);
        EXPECT_TRUE(formatFor(extension).metadata & kKeepsExif);
    }
    // A grey profile would misdescribe colour results; it is left out, the image kept.
    const EmbeddedMetadata grey{"", testing::testIccProfile("GRAY")};
    for (const char* extension : kWebFormats) {
        const std::string file = *encode(extension, photo, 80, &grey);
        EXPECT_TRUE(readEmbeddedMetadata(reinterpret_cast<const uint8_t*>(file.data()), file.size()).empty());
        EXPECT_TRUE(decode(file)) << extension;
    }
}

}  // namespace
}  // namespace tesselon

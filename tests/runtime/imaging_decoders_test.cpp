#include <gtest/gtest.h>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/pixel_rows.h"
#include "runtime/imaging_test_images.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::imageFixture;
using testing::pixelAt;

std::optional<ImageObject> decode(const std::string& bytes) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry());
}

void expectNear(const Bgra& actual, const Bgra& expected, int tolerance, const std::string& where) {
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(actual[size_t(c)], expected[size_t(c)], tolerance) << where << " channel " << c;
    }
}

// ---- PNG ----------------------------------------------------------------------------

struct PngCase {
    const char* name;
    int colourType, bitDepth;
    bool transparency;
};

uint8_t to8(uint16_t v, int depth) {
    if (depth == 16) return uint8_t((uint32_t(v) * 255 + 32895) >> 16);
    return uint8_t(v * 255 / ((1 << depth) - 1));
}

// Builds a 5 x 3 image of the case's kind whose pixels are all different where the
// depth allows, and the pixels a decoder must give for it.
std::pair<testing::PngSpec, std::vector<Bgra>> pngCase(const PngCase& c) {
    testing::PngSpec spec{5, 3, c.colourType, c.bitDepth, false, {}, {}, {}, {}};
    const int count = spec.width * spec.height;
    const uint32_t maxValue = (1u << c.bitDepth) - 1;
    auto sample = [&](int i, int channel) { return uint16_t((uint32_t(i) * 4099u + uint32_t(channel) * 977u) % (maxValue + 1)); };
    std::vector<Bgra> expected;
    const bool alphaChannel = c.colourType & PNG_COLOR_MASK_ALPHA;
    const bool output32 = alphaChannel || c.transparency;
    for (int i = 0; i < count; ++i) {
        Bgra px{0, 0, 0, 255};
        if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
            const uint16_t index = sample(i, 0);
            spec.samples.push_back(index);
            px = {uint8_t(index * 3), uint8_t(index * 5), uint8_t(index * 7), 255};
            if (c.transparency && index % 2 == 1) px[3] = uint8_t(index * 11);
        } else {
            const bool colour = c.colourType & PNG_COLOR_MASK_COLOR;
            const uint16_t r = sample(i, 0), g = colour ? sample(i, 1) : r, b = colour ? sample(i, 2) : r;
            if (colour) {
                spec.samples.insert(spec.samples.end(), {r, g, b});
            } else {
                spec.samples.push_back(r);
            }
            px = {to8(b, c.bitDepth), to8(g, c.bitDepth), to8(r, c.bitDepth), 255};
            if (alphaChannel) {
                spec.samples.push_back(sample(i, 3));
                px[3] = to8(sample(i, 3), c.bitDepth);
            }
        }
        expected.push_back(px);
    }
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (uint32_t k = 0; k <= maxValue; ++k) {
            spec.palette.push_back({uint8_t(k * 7), uint8_t(k * 5), uint8_t(k * 3)});
            if (c.transparency) spec.paletteAlpha.push_back(k % 2 == 1 ? uint8_t(k * 11) : 255);
        }
    } else if (c.transparency) {
        // The first pixel's colour is the transparent one.
        png_color_16 key{};
        if (c.colourType & PNG_COLOR_MASK_COLOR) {
            key.red = spec.samples[0], key.green = spec.samples[1], key.blue = spec.samples[2];
        } else {
            key.gray = spec.samples[0];
        }
        spec.transparent = key;
        const size_t channels = (c.colourType & PNG_COLOR_MASK_COLOR) ? 3 : 1;
        for (size_t i = 0; i < expected.size(); ++i) {
            const bool same = std::equal(spec.samples.begin() + long(i * channels),
                                         spec.samples.begin() + long((i + 1) * channels), spec.samples.begin());
            expected[i][3] = same ? 0 : 255;
        }
    }
    if (!output32) {
        for (Bgra& px : expected) px[3] = 255;
    }
    return {spec, expected};
}

TEST(ImagingPngDecoder, EveryColourTypeAndDepth) {
    const PngCase cases[] = {
        {"grey1", PNG_COLOR_TYPE_GRAY, 1, false},       {"grey2", PNG_COLOR_TYPE_GRAY, 2, false},
        {"grey4", PNG_COLOR_TYPE_GRAY, 4, false},       {"grey8", PNG_COLOR_TYPE_GRAY, 8, false},
        {"grey16", PNG_COLOR_TYPE_GRAY, 16, false},     {"grey2-trns", PNG_COLOR_TYPE_GRAY, 2, true},
        {"grey8-trns", PNG_COLOR_TYPE_GRAY, 8, true},   {"grey16-trns", PNG_COLOR_TYPE_GRAY, 16, true},
        {"greyalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
        {"greyalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
        {"rgb8", PNG_COLOR_TYPE_RGB, 8, false},         {"rgb16", PNG_COLOR_TYPE_RGB, 16, false},
        {"rgb8-trns", PNG_COLOR_TYPE_RGB, 8, true},     {"rgb16-trns", PNG_COLOR_TYPE_RGB, 16, true},
        {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},  {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
        {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false}, {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false},
        {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false}, {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false},
        {"palette4-trns", PNG_COLOR_TYPE_PALETTE, 4, true},
        {"palette8-trns", PNG_COLOR_TYPE_PALETTE, 8, true},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto [spec, expected] = pngCase(c);
        const std::optional<ImageObject> image = decode(testing::makePng(spec));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->format, kFormatPNG);
        EXPECT_EQ(image->width, 5);
        EXPECT_EQ(image->height, 3);
        const bool alpha = (c.colourType & PNG_COLOR_MASK_ALPHA) || c.transparency;
        EXPECT_EQ(image->depth, alpha ? 32 : 24);
        const int sourceDepth = c.colourType == PNG_COLOR_TYPE_RGB         ? 24
                                : c.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 32
                                                                           : c.bitDepth;
        EXPECT_EQ(image->sourceDepth, sourceDepth);
        for (int i = 0; i < 15; ++i) {
            ASSERT_EQ(pixelAt(*image, i % 5, i / 5), expected[size_t(i)]) << "pixel " << i;
        }
    }
}

TEST(ImagingPngDecoder, TruncatedOrCorruptFilesFail) {
    testing::PngSpec spec;
    spec.width = 40;
    spec.height = 40;
    for (int i = 0; i < 40 * 40 * 3; ++i) spec.samples.push_back(uint16_t(i * 13 % 251));
    const std::string png = testing::makePng(spec);
    ASSERT_TRUE(decode(png));
    EXPECT_FALSE(decode(png.substr(0, png.size() / 2)));
    EXPECT_FALSE(decode(png.substr(0, 8)));
    std::string badCrc = png;
    badCrc[20] ^= 0x40;  // inside IHDR
    EXPECT_FALSE(decode(badCrc));
}

// ---- JPEG ---------------------------------------------------------------------------

TEST(ImagingJpegDecoder, KeepsOrientationAndChannelOrder) {
    // Top half red, bottom half blue, with a green left column: any flip or channel swap shows.
    std::optional<ImageObject> source = createImage(32, 32, 24, 0x000000FF);
    ASSERT_TRUE(source);
    for (int y = 16; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) testing::setPixel(*source, x, y, {255, 0, 0, 255});
    }
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 8; ++x) testing::setPixel(*source, x, y, {0, 255, 0, 255});
    }
    const std::optional<std::string> jpeg = encodeJpeg(pixelRowsOf(*source), {EncodeQuality::ofPercent(100)});
    ASSERT_TRUE(jpeg);
    const std::optional<ImageObject> image = decode(*jpeg);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, kFormatJPEG);
    EXPECT_EQ(image->depth, 24);
    EXPECT_EQ(image->sourceDepth, 24);
    expectNear(pixelAt(*image, 20, 4), {0, 0, 255, 255}, 6, "top right");
    expectNear(pixelAt(*image, 20, 28), {255, 0, 0, 255}, 6, "bottom right");
    expectNear(pixelAt(*image, 2, 10), {0, 255, 0, 255}, 6, "left column");
}

TEST(ImagingJpegDecoder, GreyProgressiveAndCmykFiles) {
    const std::optional<ImageObject> photo = decode(imageFixture("photo.jpg"));
    const std::optional<ImageObject> progressive = decode(imageFixture("progressive.jpg"));
    const std::optional<ImageObject> grey = decode(imageFixture("grey.jpg"));
    ASSERT_TRUE(photo && progressive && grey);
    EXPECT_EQ(photo->width, 64);
    EXPECT_EQ(photo->height, 48);
    // Same picture, same quality: a progressive file decodes to (nearly) the same pixels.
    for (int y = 0; y < 48; y += 7) {
        for (int x = 0; x < 64; x += 9) expectNear(pixelAt(*progressive, x, y), pixelAt(*photo, x, y), 8, "progressive");
    }
    EXPECT_EQ(grey->sourceDepth, 8);
    EXPECT_EQ(grey->depth, 24);
    const Bgra g = pixelAt(*grey, 10, 10);
    EXPECT_TRUE(g[0] == g[1] && g[1] == g[2]);

    // Adobe's inverted CMYK, written by ImageMagick.
    const std::optional<ImageObject> adobe = decode(imageFixture("cmyk_red.jpg"));
    ASSERT_TRUE(adobe);
    EXPECT_EQ(adobe->sourceDepth, 32);
    EXPECT_EQ(adobe->depth, 24);
    expectNear(pixelAt(*adobe, 8, 8), {0, 0, 255, 255}, 6, "Adobe CMYK red");

}

TEST(ImagingJpegDecoder, DataEndingBeforeTheImageFails) {
    const std::string jpeg = imageFixture("photo.jpg");
    EXPECT_FALSE(decode(jpeg.substr(0, jpeg.size() * 2 / 3)));
    EXPECT_FALSE(decode(jpeg.substr(0, 200)));
    const std::string progressive = imageFixture("progressive.jpg");
    EXPECT_FALSE(decode(progressive.substr(0, progressive.size() - 40)));
}

// ---- GIF ----------------------------------------------------------------------------

const std::vector<GifColorType> kGifColours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
constexpr Bgra kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kClear{0, 0, 0, 0};

Bgra framePixel(const ImageObject& image, int frame, int x, int y) {
    if (frame == 0) return pixelAt(image, x, y);
    ImageObject view;
    view.width = image.width;
    view.height = image.height;
    view.depth = 32;
    view.pixels = image.frames[size_t(frame - 1)].pixels;
    return pixelAt(view, x, y);
}

TEST(ImagingGifDecoder, OpaqueFramesUseTheBackgroundAndRestoreIt) {
    // Screen 4 x 2 with a red background; green on the left half, then disposed to the
    // background; blue on the right half.
    testing::GifFrameSpec left{0, 0, 2, 2, {2, 2, 2, 2}, DISPOSE_BACKGROUND, NO_TRANSPARENT_COLOR, 5};
    testing::GifFrameSpec right{2, 0, 2, 2, {3, 3, 3, 3}, DISPOSE_DO_NOT, NO_TRANSPARENT_COLOR, 7};
    const std::optional<ImageObject> image = decode(testing::makeGif(4, 2, kGifColours, 1, {left, right}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, kFormatGIF);
    EXPECT_EQ(image->depth, 32);
    EXPECT_EQ(image->sourceDepth, 8);
    ASSERT_EQ(image->frameCount, 2);
    ASSERT_EQ(image->frames.size(), 1u);
    EXPECT_EQ(image->firstFrameDelayMs, 50);
    EXPECT_EQ(image->frames[0].delayMs, 70);
    EXPECT_EQ(framePixel(*image, 0, 0, 0), kGreen);
    EXPECT_EQ(framePixel(*image, 0, 3, 1), kRed);
    EXPECT_EQ(framePixel(*image, 1, 0, 1), kRed);
    EXPECT_EQ(framePixel(*image, 1, 3, 0), kBlue);
}

TEST(ImagingGifDecoder, TransparencyAndRestoreToPrevious) {
    // Frame 1: the whole 4 x 1 screen, index 0 transparent. Frame 2 paints blue over x 0..1
    // with a transparent hole at x 1, and is then restored to the previous canvas.
    testing::GifFrameSpec first{0, 0, 4, 1, {0, 1, 2, 0}, DISPOSE_DO_NOT, 0, 0};
    testing::GifFrameSpec second{0, 0, 2, 1, {3, 0}, DISPOSE_PREVIOUS, 0, 0};
    testing::GifFrameSpec third{3, 0, 1, 1, {2}, DISPOSE_DO_NOT, NO_TRANSPARENT_COLOR, 0};
    const std::optional<ImageObject> image = decode(testing::makeGif(4, 1, kGifColours, 2, {first, second, third}));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->frameCount, 3);
    const std::vector<std::vector<Bgra>> expected = {
        {kClear, kRed, kGreen, kClear},
        {kBlue, kRed, kGreen, kClear},
        {kClear, kRed, kGreen, kGreen},
    };
    for (int f = 0; f < 3; ++f) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(framePixel(*image, f, x, 0), expected[size_t(f)][size_t(x)]) << f << "," << x;
    }
}

TEST(ImagingGifDecoder, InterlacedFramesAndFramesBeyondTheScreen) {
    testing::GifFrameSpec frame{0, 0, 1, 9, {}, DISPOSAL_UNSPECIFIED, NO_TRANSPARENT_COLOR, 0, true};
    for (int y = 0; y < 9; ++y) frame.indices.push_back(uint8_t(y % 4));
    const std::optional<ImageObject> image = decode(testing::makeGif(1, 9, kGifColours, 0, {frame}));
    ASSERT_TRUE(image);
    const Bgra colours[] = {{0, 0, 0, 255}, kRed, kGreen, kBlue};
    for (int y = 0; y < 9; ++y) EXPECT_EQ(pixelAt(*image, 0, y), colours[y % 4]) << y;

    // A frame reaching past the logical screen is clipped to it.
    testing::GifFrameSpec wide{1, 0, 3, 1, {3, 3, 3}, DISPOSAL_UNSPECIFIED, NO_TRANSPARENT_COLOR, 0};
    const std::optional<ImageObject> clipped = decode(testing::makeGif(2, 1, kGifColours, 1, {wide}));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->width, 2);
    EXPECT_EQ(pixelAt(*clipped, 0, 0), kRed);
    EXPECT_EQ(pixelAt(*clipped, 1, 0), kBlue);
}

TEST(ImagingGifDecoder, TruncationFailsButAMissingTrailerDoesNot) {
    testing::GifFrameSpec frame{0, 0, 16, 16, std::vector<uint8_t>(256, 2), DISPOSAL_UNSPECIFIED, NO_TRANSPARENT_COLOR, 0};
    for (size_t i = 0; i < 256; ++i) frame.indices[i] = uint8_t(i * 7 % 4);
    const std::string gif = testing::makeGif(16, 16, kGifColours, 0, {frame});
    ASSERT_EQ(gif.back(), ';');
    EXPECT_TRUE(decode(gif.substr(0, gif.size() - 1)));
    EXPECT_FALSE(decode(gif.substr(0, gif.size() - 12)));
    EXPECT_FALSE(decode(gif.substr(0, 13)));

    // ImageMagick's animation: three frames of 10, 20 and 30 hundredths, on transparency.
    const std::optional<ImageObject> animation = decode(imageFixture("animated.gif"));
    ASSERT_TRUE(animation && animation->frameCount == 3);
    EXPECT_EQ(animation->firstFrameDelayMs, 100);
    EXPECT_EQ(animation->frames[1].delayMs, 300);
    EXPECT_EQ(pixelAt(*animation, 1, 1), kRed);
    EXPECT_EQ(pixelAt(*animation, 6, 6)[3], 0);
}

// ---- TIFF ---------------------------------------------------------------------------

testing::TiffSpec tiffOf(int samples, int bits, int compression = COMPRESSION_NONE) {
    testing::TiffSpec spec{3, 2, samples, bits, compression, {}};
    for (int i = 0; i < 6 * samples; ++i) {
        const uint16_t v8 = uint16_t(i * 41 % 256);
        spec.values.push_back(bits == 16 ? uint16_t(v8 * 257) : v8);
    }
    if (samples == 4) {
        for (int p = 0; p < 6; ++p) spec.values[size_t(p * 4 + 3)] = bits == 16 ? 65535 : 255;
    }
    return spec;
}

TEST(ImagingTiffDecoder, RgbAndGreyAtEightAndSixteenBits) {
    struct Case {
        int samples, bits, sourceDepth;
    };
    for (const Case c : {Case{3, 8, 24}, Case{3, 16, 48}, Case{4, 8, 32}, Case{4, 16, 64}, Case{1, 8, 8}}) {
        SCOPED_TRACE(std::to_string(c.samples) + "x" + std::to_string(c.bits));
        const testing::TiffSpec spec = tiffOf(c.samples, c.bits);
        const std::optional<ImageObject> image = decode(testing::makeTiff(spec));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->format, kFormatTIFF);
        EXPECT_EQ(image->depth, 32);
        EXPECT_EQ(image->sourceDepth, c.sourceDepth);
        for (int p = 0; p < 6; ++p) {
            auto v = [&](int s) { return uint8_t(spec.values[size_t(p * c.samples + s)] / (c.bits == 16 ? 257 : 1)); };
            const Bgra expected = c.samples == 1 ? Bgra{v(0), v(0), v(0), 255} : Bgra{v(2), v(1), v(0), 255};
            EXPECT_EQ(pixelAt(*image, p % 3, p / 3), expected) << "pixel " << p;
        }
    }
}

TEST(ImagingTiffDecoder, AlphaComesOutStraight) {
    testing::TiffSpec spec{2, 1, 4, 8, COMPRESSION_NONE, {200, 100, 50, 128, 10, 20, 30, 0}};
    const std::optional<ImageObject> image = decode(testing::makeTiff(spec));
    ASSERT_TRUE(image);
    expectNear(pixelAt(*image, 0, 0), {50, 100, 200, 128}, 1, "half transparent");
    EXPECT_EQ(pixelAt(*image, 1, 0)[3], 0);

    const std::optional<ImageObject> fixture = decode(imageFixture("rgba8.tif"));
    ASSERT_TRUE(fixture);
    EXPECT_EQ(fixture->sourceDepth, 32);
    EXPECT_NEAR(pixelAt(*fixture, 5, 5)[3], 128, 1);
}

TEST(ImagingTiffDecoder, RefusesTheOldDeflateCode) {
    EXPECT_TRUE(decode(testing::makeTiff(tiffOf(3, 8, COMPRESSION_ADOBE_DEFLATE))));
    EXPECT_FALSE(decode(testing::makeTiff(tiffOf(3, 8, COMPRESSION_DEFLATE))));

    const std::optional<ImageObject> lzw16 = decode(imageFixture("rgb16.tif"));
    ASSERT_TRUE(lzw16);
    EXPECT_EQ(lzw16->sourceDepth, 48);
}

// ---- BMP and the choice of decoder ----------------------------------------------------

TEST(ImagingDecoders, BitmapsUnknownDataAndFiles) {
    const std::optional<ImageObject> bmp = decode(imageFixture("rgb24.bmp"));
    const std::optional<ImageObject> png = decode(imageFixture("adam7.png"));
    ASSERT_TRUE(bmp && png);
    EXPECT_EQ(bmp->format, kFormatBMP);
    EXPECT_EQ(bmp->sourceDepth, 24);
    EXPECT_EQ(bmp->pixels, png->pixels);  // the same picture, the PNG interlaced

    EXPECT_FALSE(decode("this is not an image at all"));
    EXPECT_FALSE(decode(""));
    // Only registered decoders are tried: a bare registry knows BMP alone.
    const std::string pngBytes = imageFixture("adam7.png");
    EXPECT_FALSE(catchImage(reinterpret_cast<const uint8_t*>(pngBytes.data()), pngBytes.size(), CodecRegistry()));

    testing::TempDir dir;
    EXPECT_TRUE(loadImage(dir.write("a.png", pngBytes), standardRegistry()));
    EXPECT_FALSE(loadImage(dir.write("b.png", pngBytes.substr(0, 900)), standardRegistry()));
    EXPECT_FALSE(loadImage(dir.file("missing.png"), standardRegistry()));
    EXPECT_FALSE(loadImage(dir.path(), standardRegistry()));
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/palette_quantizer.h"
#include "runtime/imaging_test_images.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::pixelAt;
using testing::setPixel;
using testing::TempDir;

std::optional<ImageObject> decode(const std::string& bytes) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry());
}

const ImageFormat& format(const char* extension) { return *formatByExtension(extension); }

EncodeOptions atLevel(int quality, int depth = kDepthOfSource) { return {EncodeQuality::ofLevel(quality), depth}; }

// A 32-bit image with an opaque, a half-transparent red and a fully transparent pixel.
ImageObject translucentImage() {
    std::optional<ImageObject> image = createImage(3, 1, 32, kTransparentFill);
    setPixel(*image, 0, 0, {10, 20, 30, 255});
    setPixel(*image, 1, 0, {0, 0, 255, 128});
    setPixel(*image, 2, 0, {40, 50, 60, 0});
    return *image;
}

TEST(ImagingSave, AlphaIsKeptAtDepth32AndFlattenedOntoWhiteOtherwise) {
    const ImageObject image = translucentImage();
    const std::optional<std::string> rgba = encodeImage(image, format("png"), atLevel(7, 32));
    const std::optional<std::string> rgb = encodeImage(image, format("png"), atLevel(7, 24));
    ASSERT_TRUE(rgba && rgb);
    EXPECT_EQ(testing::pngChunksOf(*rgba).colourType, 6);
    EXPECT_EQ(testing::pngChunksOf(*rgb).colourType, 2);
    EXPECT_EQ(decode(*rgba)->pixels, image.pixels);
    // The default depth of a created 32-bit image is 32.
    EXPECT_EQ(encodeImage(image, format("png")), rgba);

    const std::optional<ImageObject> flat = decode(*rgb);
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->depth, 24);
    EXPECT_EQ(pixelAt(*flat, 0, 0), (Bgra{10, 20, 30, 255}));
    EXPECT_EQ(pixelAt(*flat, 1, 0), (Bgra{127, 127, 255, 255}));  // (65025 - 255 * 128) / 255 = 127
    EXPECT_EQ(pixelAt(*flat, 2, 0), (Bgra{255, 255, 255, 255}));

    // JPEG keeps no alpha: transparent areas come out white.
    const std::optional<std::string> jpeg =
        encodeImage(*createImage(16, 16, 32, kTransparentFill), format("jpg"), atLevel(10, 32));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(pixelAt(*decode(*jpeg), 8, 8), (Bgra{255, 255, 255, 255}));
}

TEST(ImagingSave, RoundTripsThroughEveryEncoder) {
    std::mt19937 random(11);
    std::optional<ImageObject> rgb = createImage(33, 17, 24, 0);
    std::optional<ImageObject> rgba = createImage(33, 17, 32, 0);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 33; ++x) {
            const uint32_t v = random();
            setPixel(*rgb, x, y, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 255});
            setPixel(*rgba, x, y, {uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v), uint8_t(v >> 24)});
        }
    }
    for (const char* extension : {"png", "bmp"}) {
        const std::optional<ImageObject> back24 = decode(*encodeImage(*rgb, format(extension)));
        const std::optional<ImageObject> back32 = decode(*encodeImage(*rgba, format(extension)));
        ASSERT_TRUE(back24 && back32);
        EXPECT_EQ(back24->pixels, rgb->pixels) << extension;
        EXPECT_EQ(back32->pixels, rgba->pixels) << extension;
    }
}

TEST(ImagingSave, JpegQualityLevelsAreClampedAndScaled) {
    EXPECT_EQ(EncodeQuality::ofLevel(7).value(), 70);
    EXPECT_EQ(EncodeQuality::ofLevel(11).value(), 100);
    EXPECT_EQ(EncodeQuality::ofLevel(-3).value(), 0);
    const std::optional<ImageObject> photo = decode(testing::imageFixture("photo.jpg"));
    ASSERT_TRUE(photo);
    auto at = [&](int quality) { return *encodeImage(*photo, format("jpg"), atLevel(quality)); };
    EXPECT_EQ(at(11), at(10));
    EXPECT_EQ(at(-3), at(0));
    EXPECT_NE(at(7), at(10));
    EXPECT_LT(at(0).size(), at(7).size());
    EXPECT_EQ(*encodeJpeg(pixelRowsOf(*photo), {EncodeQuality::ofPercent(70)}), at(7));
}

TEST(ImagingSave, PaletteDepthsFromTheSourceOrTheCaller) {
    // A GIF decodes with source depth 8, so by default it is saved as an 8-bit palette PNG,
    // whose palette holds exactly the GIF's colours.
    const std::vector<GifColorType> colours = {{0, 0, 0}, {250, 10, 10}, {10, 200, 30}, {20, 40, 230}};
    testing::GifFrameSpec frame{0, 0, 8, 8, {}, DISPOSAL_UNSPECIFIED, NO_TRANSPARENT_COLOR, 0};
    for (int i = 0; i < 64; ++i) frame.indices.push_back(uint8_t(i % 4));
    const std::optional<ImageObject> gif = decode(testing::makeGif(8, 8, colours, 0, {frame}));
    ASSERT_TRUE(gif);
    const std::optional<std::string> png = encodeImage(*gif, format("png"));
    ASSERT_TRUE(png);
    const testing::PngChunks header = testing::pngChunksOf(*png);
    EXPECT_EQ(header.colourType, 3);
    EXPECT_EQ(header.bitDepth, 8);
    EXPECT_EQ(header.paletteEntries, 4u);
    EXPECT_EQ(header.transparencyBytes, 0u);
    const std::optional<ImageObject> back = decode(*png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sourceDepth, 8);
    for (int i = 0; i < 64; ++i) {
        const Bgra p = pixelAt(*back, i % 8, i / 8);
        const GifColorType& c = colours[size_t(i % 4)];
        EXPECT_EQ(p, (Bgra{c.Blue, c.Green, c.Red, 255})) << i;
    }

    // Three colours and black do not fit in depth 1, which is black and white; they fit in
    // depth 4, while 64 colours there are learned into 16 entries.
    std::optional<ImageObject> grey = createImage(4, 1, 24, 0);
    setPixel(*grey, 0, 0, {200, 200, 200, 255});
    setPixel(*grey, 1, 0, {40, 40, 40, 255});
    setPixel(*grey, 2, 0, {250, 0, 250, 255});
    const std::string mono = *encodeImage(*grey, format("png"), atLevel(7, 1));
    EXPECT_EQ(testing::pngChunksOf(mono).bitDepth, 1);
    EXPECT_EQ(testing::pngChunksOf(mono).paletteEntries, 2u);
    const std::optional<ImageObject> bw = decode(mono);
    EXPECT_EQ(pixelAt(*bw, 0, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(*bw, 1, 0), (Bgra{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*bw, 2, 0), (Bgra{255, 255, 255, 255}));
    const std::string four = *encodeImage(*grey, format("png"), atLevel(7, 4));
    EXPECT_EQ(testing::pngChunksOf(four).paletteEntries, 4u);
    EXPECT_EQ(decode(four)->pixels, grey->pixels);
    std::optional<ImageObject> ramp = createImage(64, 1, 24, 0);
    for (int x = 0; x < 64; ++x) setPixel(*ramp, x, 0, {uint8_t(x * 4), uint8_t(x * 4), uint8_t(x * 4), 255});
    EXPECT_EQ(testing::pngChunksOf(*encodeImage(*ramp, format("png"), atLevel(7, 4))).paletteEntries, 16u);
}

TEST(ImagingSave, DepthRulesDecideWhatCanBeSaved) {
    TempDir dir;
    testing::TiffSpec spec{2, 2, 3, 16, 1, std::vector<uint16_t>(12, 40000)};
    const std::optional<ImageObject> tiff48 = decode(testing::makeTiff(spec));
    ASSERT_TRUE(tiff48);
    ASSERT_EQ(tiff48->sourceDepth, 48);
    EXPECT_FALSE(saveImage(*tiff48, dir.file("a.png"), format("png")));
    EXPECT_TRUE(saveImage(*tiff48, dir.file("a.png"), format("png"), atLevel(7, 24)));

    const ImageObject image = *createImage(2, 2, 24, 0);
    for (int depth : {0, 3, 12, 64}) EXPECT_FALSE(encodeImage(image, format("png"), atLevel(7, depth))) << depth;
    EXPECT_FALSE(saveImage(image, "", format("png")));
    EXPECT_FALSE(saveImage(image, dir.file("b.tif"), format("tif")));  // read only
    EXPECT_FALSE(saveImage(ImageObject{}, dir.file("c.png"), format("png")));
    EXPECT_FALSE(saveImage(image, dir.file("missing/folder/d.png"), format("png")));
    EXPECT_TRUE(saveImage(image, dir.file("e.bmp"), format("bmp")));
    EXPECT_EQ(testing::readFile(dir.file("e.bmp")).substr(0, 2), "BM");
}

// What the last call of the failing encoder below received.
struct SeenEncode {
    PixelRows rows;
    EncodeOptions options;
    int calls = 0;
};

SeenEncode& seenEncode() {
    static SeenEncode seen;
    return seen;
}

std::optional<std::string> failingEncoder(const PixelRows& rows, const EncodeOptions& options) {
    seenEncode().rows = rows;
    seenEncode().options = options;
    ++seenEncode().calls;
    return std::nullopt;
}

// PNG, but with an encoder that fails or throws.
ImageFormat pngEncodedBy(EncodeFunction encode) {
    ImageFormat format = *formatByExtension("png");
    format.encode = encode;
    return format;
}

TEST(ImagingSave, FailedEncodingLeavesNoFileAndKeepsAnOldOne) {
    TempDir dir;
    const ImageFormat failing = pngEncodedBy(failingEncoder);
    const SeenEncode& seen = seenEncode();
    const int callsBefore = seen.calls;
    const ImageObject image = *createImage(5, 3, 24, 0x112233);

    EXPECT_FALSE(saveImage(image, dir.file("new.jpg"), failing, {EncodeQuality::ofPercent(85)}));
    EXPECT_EQ(::access(dir.file("new.jpg").c_str(), F_OK), -1);
    EXPECT_EQ(seen.calls, callsBefore + 1);
    // The encoder saw the pixels as they are, bottom-up, and the quality as given.
    EXPECT_EQ(seen.rows.pixels, image.pixels.data());
    EXPECT_TRUE(seen.rows.bottomUp);
    EXPECT_EQ(seen.rows.pitch, 16u);
    EXPECT_EQ(seen.options.quality, EncodeQuality::ofPercent(85));
    EXPECT_EQ(seen.options.depth, 24);

    const std::string old = dir.write("old.jpg", "earlier contents");
    EXPECT_FALSE(saveImage(image, old, failing));
    EXPECT_EQ(testing::readFile(old), "earlier contents");

    // A throwing encoder is a failure too, not an exception for the caller.
    const ImageFormat throwing =
        pngEncodedBy([](const PixelRows&, const EncodeOptions&) -> std::optional<std::string> { throw 42; });
    EXPECT_FALSE(saveImage(image, old, throwing));
    EXPECT_EQ(testing::readFile(old), "earlier contents");

    // A successful save replaces it.
    EXPECT_TRUE(saveImage(image, old, *formatByExtension("png")));
    EXPECT_TRUE(loadImage(old, standardRegistry()));

    // A 32-bit image at depth 32 reaches the encoder of a format with alpha with its own pixels.
    const ImageObject layer = translucentImage();
    EXPECT_FALSE(encodeImage(layer, failing, atLevel(7, 32)));
    EXPECT_EQ(seen.rows.pixels, layer.pixels.data());
    EXPECT_EQ(seen.rows.bytesPerPixel, 4);
}

TEST(ImagingRegistry, OrderDuplicatesAndCapacity) {
    const CodecRegistry& standard = standardRegistry();
    std::vector<uint32_t> decoders;
    for (const DecoderEntry& d : standard.decoders()) decoders.push_back(d.format);
    // BMP when the service starts, then the table's formats in its order.
    std::vector<uint32_t> expected = {kFormatBMP};
    for (const ImageFormat& format : imageFormats())
        if (format.decode && std::find(expected.begin(), expected.end(), format.code) == expected.end())
            expected.push_back(format.code);
    EXPECT_EQ(decoders, expected);
    for (uint32_t code : {kFormatPNG, kFormatJPEG, kFormatTIFF, kFormatGIF})
        EXPECT_NE(std::find(decoders.begin(), decoders.end(), code), decoders.end());
    // The image service saves BMP, PNG and JPEG; JPEG lays alpha over white; TIFF is read only.
    for (const char* extension : {"bmp", "png", "jpg"}) EXPECT_TRUE(format(extension).encodable()) << extension;
    EXPECT_EQ(format("jpg").alpha, AlphaKept::None);
    EXPECT_FALSE(format("tif").encode);

    CodecRegistry registry = makeStandardRegistry();
    EXPECT_FALSE(registry.registerDecoder(*formatByCode(kFormatPNG)));
    EXPECT_FALSE(registry.registerDecoder(*formatByCode(kFormatBMP)));
    EXPECT_EQ(registry.decoders().size(), decoders.size());
    ImageFormat other = *formatByCode(kFormatPNG);
    other.decode = nullptr;
    other.code = 0x1234;
    EXPECT_FALSE(registry.registerDecoder(other));
    other.decode = formatByCode(kFormatPNG)->decode;
    EXPECT_TRUE(registry.registerDecoder(other));
    EXPECT_FALSE(registry.registerDecoder(other));
    EXPECT_EQ(registry.decoders().back().format, 0x1234u);
    for (uint32_t code = 1; registry.decoders().size() < CodecRegistry::kMaxEntries; ++code) {
        other.code = code;
        ASSERT_TRUE(registry.registerDecoder(other));
    }
    other.code = 0xABCD;
    EXPECT_FALSE(registry.registerDecoder(other));
}

TEST(ImagingQuantizer, MapsToTheNearestEntryAndLearnsFewColours) {
    std::mt19937 random(3);
    Palette palette;
    for (int i = 0; i < 37; ++i) palette.push_back({uint8_t(random()), uint8_t(random()), uint8_t(random())});
    palette.push_back(palette[5]);  // a duplicate: the lower index wins
    std::optional<ImageObject> image = createImage(64, 32, 24, 0);
    for (size_t i = 0; i < image->pixels.size(); ++i) image->pixels[i] = uint8_t(random());
    setPixel(*image, 0, 0, {palette[5].blue, palette[5].green, palette[5].red, 255});
    const std::optional<std::vector<uint8_t>> indices = mapToPalette(pixelRowsOf(*image), palette);
    ASSERT_TRUE(indices);
    EXPECT_EQ((*indices)[0], 5);
    for (int i = 0; i < 64 * 32; ++i) {
        const Bgra p = pixelAt(*image, i % 64, i / 64);
        auto distance = [&](const PaletteColour& c) {
            return (c.red - p[2]) * (c.red - p[2]) + (c.green - p[1]) * (c.green - p[1]) + (c.blue - p[0]) * (c.blue - p[0]);
        };
        size_t best = 0;
        for (size_t k = 1; k < palette.size(); ++k) best = distance(palette[k]) < distance(palette[best]) ? k : best;
        ASSERT_EQ((*indices)[size_t(i)], best) << "pixel " << i;
    }

    // Four colours in a 16-entry network come back (almost) exactly, the same every time.
    std::optional<ImageObject> four = createImage(40, 40, 24, 0);
    const Bgra colours[] = {{30, 60, 200, 255}, {220, 220, 20, 255}, {5, 5, 5, 255}, {128, 250, 128, 255}};
    for (int i = 0; i < 1600; ++i) setPixel(*four, i % 40, i / 40, colours[(i / 7) % 4]);
    const std::optional<Palette> learned = learnPalette(pixelRowsOf(*four), 16, 1);
    ASSERT_TRUE(learned && learned->size() == 16);
    EXPECT_EQ(learnPalette(pixelRowsOf(*four), 16, 1), learned);
    const NearestColourFinder finder(*learned);
    for (const Bgra& c : colours) {
        const PaletteColour nearest = (*learned)[finder.nearest(c[2], c[1], c[0])];
        EXPECT_LE(std::abs(nearest.red - c[2]) + std::abs(nearest.green - c[1]) + std::abs(nearest.blue - c[0]), 6);
    }
    EXPECT_EQ(samplingFactorFor(262143), 1);
    EXPECT_EQ(samplingFactorFor(262144 * 3), 4);
    EXPECT_EQ(samplingFactorFor(12000000), 10);
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::imageFixture;

std::optional<ImageObject> decodeWith(const std::string& bytes, const CodecRegistry& registry) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), registry);
}

// Small limits keep mutated headers from asking for huge (if bounded) buffers thousands
// of times over.
DecodeLimits smallLimits() {
    return DecodeLimits{1 << 20, 16 << 20, 64, 64 << 20, kMaxJpegScans};
}

// Files of every format: the fixtures, and a GIF and a TIFF of kinds they lack.
std::vector<std::pair<std::string, std::string>> seedFiles() {
    std::vector<std::pair<std::string, std::string>> seeds;
    for (const std::string& name : testing::imageFixtureNames()) seeds.emplace_back(name, imageFixture(name));
    const std::vector<GifColorType> colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    testing::GifFrameSpec a{0, 0, 6, 4, std::vector<uint8_t>(24, 1), DISPOSE_PREVIOUS, 0, 3, true};
    testing::GifFrameSpec b{2, 1, 3, 3, std::vector<uint8_t>(9, 2), DISPOSE_BACKGROUND, NO_TRANSPARENT_COLOR, 4};
    seeds.emplace_back("generated.gif", testing::makeGif(6, 4, colours, 3, {a, b}));
    seeds.emplace_back("generated.tif", testing::makeTiff({5, 3, 4, 16, 8, std::vector<uint16_t>(60, 30000)}));
    return seeds;
}

std::string mutate(std::string data, std::mt19937& random) {
    auto pick = [&](size_t n) { return n == 0 ? size_t(0) : size_t(random() % n); };
    const size_t at = pick(data.size());
    switch (random() % 5) {
    case 0:  // truncation
        data.resize(at);
        break;
    case 1:  // a few flipped bits
        for (int i = 0, n = 1 + int(random() % 8); i < n && !data.empty(); ++i) data[pick(data.size())] ^= char(1 << (random() % 8));
        break;
    case 2:  // a run of random bytes
        for (size_t i = at, end = at + 1 + pick(64); i < data.size() && i < end; ++i) data[i] = char(random());
        break;
    case 3: {  // an extreme value in a header field
        static const uint32_t extremes[] = {0xFFFFFFFF, 0, 0x7FFFFFFF, 0x8000, 0xFF7F};
        const uint32_t value = extremes[random() % 5];
        for (size_t i = 0, field = pick(std::min<size_t>(data.size(), 64)); i < 4 && field + i < data.size(); ++i) {
            data[field + i] = char(value >> (8 * i));
        }
        break;
    }
    default:  // a slice repeated, as damaged transfers do
        data.insert(at, data.substr(at, pick(256)));
    }
    return data;
}

TEST(ImagingRobustness, MutatedFilesOfEveryFormatFailCleanly) {
    const CodecRegistry registry = makeStandardRegistry(smallLimits());
    constexpr int kMutationsPerFile = 2500;
    int seed = 1;
    for (const auto& [name, bytes] : seedFiles()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(decodeWith(bytes, registry)) << "the unmutated file must decode";
        std::mt19937 random(uint32_t(seed++));
        int decoded = 0;
        for (int i = 0; i < kMutationsPerFile; ++i) {
            const std::optional<ImageObject> image = decodeWith(mutate(bytes, random), registry);
            if (!image) continue;
            ++decoded;
            ASSERT_TRUE(image->valid());
            ASSERT_EQ(image->frameCount, int(image->frames.size()) + 1);
            for (const ImageFrame& frame : image->frames) ASSERT_EQ(frame.pixels.size(), image->pixels.size());
        }
        // Flipped bits in pixel data still decode; had nothing decoded, the test proved little.
        EXPECT_GT(decoded, 0);
    }
}

// A minimal valid PNG header whose IHDR claims the given size, followed by a tiny IDAT.
std::string pngClaiming(uint32_t width, uint32_t height) {
    testing::PngSpec spec{1, 1, PNG_COLOR_TYPE_GRAY, 8, false, {0}, {}, {}, {}};
    std::string png = testing::makePng(spec);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + size_t(i)] = char(v >> (24 - 8 * i));
    };
    put32(16, width);
    put32(20, height);
    // Fix the IHDR checksum so that only the size is wrong.
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= uint8_t(png[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    put32(29, ~crc);
    return png;
}

TEST(ImagingRobustness, OversizedAndBombFilesAreRefused) {
    const CodecRegistry& registry = standardRegistry();
    EXPECT_FALSE(decodeWith(pngClaiming(40000, 10), registry));
    EXPECT_FALSE(decodeWith(pngClaiming(32767, 32767), registry));  // beyond the pixel limit
    EXPECT_FALSE(decodeWith(pngClaiming(3000, 3000), registry));    // data ends long before

    // A 2000 x 2000 all-black PNG compresses to a few kilobytes; lower limits refuse it
    // before any pixel memory is taken.
    testing::PngSpec bomb{2000, 2000, PNG_COLOR_TYPE_GRAY, 8, false, {}, {}, {}, {}};
    const std::string bombPng = testing::makePng(bomb);
    EXPECT_LT(bombPng.size(), 20000u);
    EXPECT_TRUE(decodeWith(bombPng, registry));
    EXPECT_FALSE(decodeWith(bombPng, makeStandardRegistry(smallLimits())));

    // JPEG: the frame header's height and width.
    std::string jpeg = imageFixture("photo.jpg");
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg[sof + 5] = char(0xEA), jpeg[sof + 6] = char(0x60);  // 60000 rows
    EXPECT_FALSE(decodeWith(jpeg, registry));

    // BMP: a height the data cannot hold, and a width beyond the limit.
    std::string bmp = imageFixture("rgb24.bmp");
    bmp[22] = char(0x10), bmp[23] = char(0x27);  // 10000 rows
    EXPECT_FALSE(decodeWith(bmp, registry));
    bmp = imageFixture("rgb24.bmp");
    bmp[18] = 0, bmp[19] = char(0x90);  // 36864 wide
    EXPECT_FALSE(decodeWith(bmp, registry));

}

TEST(ImagingRobustness, AnimationsBeyondTheFrameLimitsAreRefused) {
    const std::vector<GifColorType> colours = {{0, 0, 0}, {255, 255, 255}};
    std::vector<testing::GifFrameSpec> frames(80, testing::GifFrameSpec{0, 0, 1, 1, {1}});
    const std::string many = testing::makeGif(8, 8, colours, 0, frames);
    EXPECT_EQ(decodeWith(many, standardRegistry())->frameCount, 80);
    EXPECT_FALSE(decodeWith(many, makeStandardRegistry(smallLimits())));  // 64 frames at most

    DecodeLimits memory = smallLimits();
    memory.maxTotalFrameBytes = 8 * 8 * 4 * 10;  // ten frames of this screen
    std::vector<testing::GifFrameSpec> eleven(11, testing::GifFrameSpec{0, 0, 1, 1, {1}});
    EXPECT_FALSE(decodeWith(testing::makeGif(8, 8, colours, 0, eleven), makeStandardRegistry(memory)));
    eleven.pop_back();
    EXPECT_TRUE(decodeWith(testing::makeGif(8, 8, colours, 0, eleven), makeStandardRegistry(memory)));
}

// What one worker does: decode, resize both ways, encode, decode the result.
std::vector<std::string> imagingWork(const std::vector<std::string>& inputs) {
    std::vector<std::string> outputs;
    for (const std::string& input : inputs) {
        std::optional<ImageObject> image = decodeWith(input, standardRegistry());
        if (!image) return {};
        std::optional<ImageObject> layer = createImage(image->width, image->height, 32, 0x80402010);
        resizeImage(*image, image->width * 3 / 2, kKeepDimension);
        resizeImage(*layer, 17, 29);
        outputs.push_back(*encodeImage(*image, *formatByExtension("jpg"), {EncodeQuality::ofLevel(8), 24}));
        outputs.push_back(*encodeImage(*image, *formatByExtension("png"), {EncodeQuality::ofLevel(7), 8}));
        outputs.push_back(*encodeImage(*layer, *formatByExtension("png"), {EncodeQuality::ofLevel(7), 32}));
        if (!decodeWith(outputs.back(), standardRegistry())) return {};
    }
    return outputs;
}

TEST(ImagingRobustness, FourThreadsDecodeResizeAndEncodeAtOnce) {
    std::vector<std::string> inputs;
    for (const char* name : {"photo.jpg", "cmyk_red.jpg", "rgba16.png", "animated.gif", "rgb16.tif", "rgba8.tif"}) {
        inputs.push_back(imageFixture(name));
    }
    const std::vector<std::string> expected = imagingWork(inputs);
    ASSERT_EQ(expected.size(), inputs.size() * 3);

    std::vector<std::vector<std::string>> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                results[t] = imagingWork(inputs);
                if (results[t] != expected) return;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_TRUE(result == expected);
}

}  // namespace
}  // namespace tesselon

// A transparent picture turned by the chain: the background colour the user chose shows
// through where the picture was clear, and mixes with it where it was partly clear.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "output_test_support.h"
#include "processing/batch/image_pipeline.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging_test_images.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::makePng;
using testing::PngSpec;
using testing::pixelAt;
using testing::TempDir;

constexpr int kWidth = 60, kHeight = 40;

// RGBA, left half clear (stored as opaque-looking black), right half white at 25%.
std::string halfClearQuarterWhitePng() {
    PngSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (x < kWidth / 2) spec.samples.insert(spec.samples.end(), {0, 0, 0, 0});
            else spec.samples.insert(spec.samples.end(), {255, 255, 255, 64});
        }
    return makePng(spec);
}

// The result's pixel over the source pixel (sx, sy), the source turned clockwise by
// `degrees` about its centre onto the centre of the result.
Bgra turnedPixel(const ImageObject& result, double sx, double sy, int degrees) {
    const double a = degrees * 3.141592653589793 / 180.0;
    const double dx = sx - kWidth / 2.0, dy = sy - kHeight / 2.0;
    const double rx = result.width / 2.0 + dx * std::cos(a) - dy * std::sin(a);
    const double ry = result.height / 2.0 + dx * std::sin(a) + dy * std::cos(a);
    return pixelAt(result, int(rx), int(ry));
}

// A quarter of white over three quarters of the background.
Bgra quarterWhiteOverBackground() {
    const auto mixed = [](int bg) { return uint8_t(std::lround((255 * 64 + bg * 191) / 255.0)); };
    return {mixed(0x20), mixed(0x60), mixed(0x90), 255};
}

void expectNear(const Bgra& actual, const Bgra& expected) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(int(actual[i]), int(expected[i]), 1) << "channel " << i;
}

// The PNG written to a file, read back by the chain and turned over red 0x90, green
// 0x60, blue 0x20.
ProcessedImage turnedFromFile(int degrees) {
    TempDir dir;
    const std::string path = dir.write("clear.png", halfClearQuarterWhitePng());
    const CodecRegistry registry = makeStandardRegistry();
    LoadedSource source = loadSource(path, registry);
    if (!source.image || source.image->depth != 32) return {};
    PipelineSettings settings;
    settings.codecs = &registry;
    settings.image.Rotar = degrees;
    settings.image.ColorFondo = 0x00206090;
    return applyOperations(settings, PipelineJob{}, std::move(source.image));
}

TEST(RotationOverBackground, ClearAndPartlyClearPixelsShowTheChosenBackground) {
    const ProcessedImage turned = turnedFromFile(30);
    ASSERT_TRUE(turned.image);
    EXPECT_EQ(turned.image->depth, 24);

    const Bgra background{0x20, 0x60, 0x90, 255};
    const Bgra quarterWhite = quarterWhiteOverBackground();
    // Well inside each half, beyond the reach of the filter from any edge.
    expectNear(turnedPixel(*turned.image, 12, 20, 30), background);
    expectNear(turnedPixel(*turned.image, 15, 12, 30), background);
    expectNear(turnedPixel(*turned.image, 45, 20, 30), quarterWhite);
    expectNear(turnedPixel(*turned.image, 48, 28, 30), quarterWhite);
    // The corners the turn uncovers are background too.
    EXPECT_EQ(pixelAt(*turned.image, 0, 0), background);
}

TEST(RotationOverBackground, QuarterTurnLaysTheClearPixelsOverTheBackgroundToo) {
    const ProcessedImage turned = turnedFromFile(90);
    ASSERT_TRUE(turned.image);
    // Turned clockwise, the clear left half lies on top, the white right half below;
    // a quarter turn moves whole pixels, so the values are exact.
    EXPECT_EQ(turned.image->width, kHeight + 6);
    EXPECT_EQ(turned.image->height, kWidth + 6);
    EXPECT_EQ(pixelAt(*turned.image, 3 + kHeight / 2, 3 + 5), (Bgra{0x20, 0x60, 0x90, 255}));
    EXPECT_EQ(pixelAt(*turned.image, 3 + kHeight / 2, 3 + kWidth - 5), quarterWhiteOverBackground());
}

}  // namespace
}  // namespace tesselon

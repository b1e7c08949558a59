#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <tuple>

#include "filters_test_images.h"
#include "processing/filters/rotate_image.h"
#include "processing/filters/rotation_canvas.h"
#include "processing/filters/rotation_layout.h"
#include "runtime/drawing/raster_drawing.h"
#include "runtime/drawing/vector_drawing.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::patternImage;
using testing::pixelAt;
using testing::setPixel;

// The turn built step by step with both canvases in full: the picture rotateImage must
// give without them.
std::optional<ImageObject> referenceRotation(const ImageObject& given, int degrees, uint32_t background) {
    // The result is opaque: a source with alpha is laid over the background first.
    ImageObject source = given;
    if (given.depth == 32) {
        source = *createImage(given.width, given.height, 24, 0);
        const double bg[3] = {double((background >> 16) & 0xFF), double((background >> 8) & 0xFF),
                              double(background & 0xFF)};
        for (int y = 0; y < given.height; ++y)
            for (int x = 0; x < given.width; ++x) {
                const Bgra p = pixelAt(given, x, y);
                const double a = p[3] / 255.0;
                Bgra mixed{0, 0, 0, 255};
                for (int c = 0; c < 3; ++c) mixed[size_t(c)] = uint8_t(std::lround(p[size_t(c)] * a + bg[c] * (1 - a)));
                setPixel(source, x, y, mixed);
            }
    }
    const int w = source.width, h = source.height;
    const int requestWidth = w > h ? w + 6 : h + 6;
    const int requestHeight = w > h ? w + 8 : h + 6;
    std::optional<ImageObject> first = makeRotationCanvas(requestWidth, requestHeight, degrees, background, false);
    std::optional<ImageObject> second = makeRotationCanvas(requestWidth, requestHeight, degrees, background, false);
    if (!first || !second) return std::nullopt;
    {
        std::optional<RasterDrawing> raster = RasterDrawing::start(*first);
        if (!raster) return std::nullopt;
        raster->drawImage(source, first->width / 2 - w / 2, first->height / 2 - h / 2);
    }
    {
        std::optional<VectorDrawing> vector = VectorDrawing::start(*second);
        if (!vector) return std::nullopt;
        vector->rotateCoordinates(vector->outputWidth() * 0.5, vector->outputHeight() * 0.5, degrees);
        vector->movePathCursor(0, 0);
        vector->drawVectorImage(*first, 255);
        vector->finish();
    }
    const RotatedSize turned = rotatedSize(w, h, degrees);
    return grabImage(*second, second->width / 2 - turned.width / 2 - 3, second->height / 2 - turned.height / 2 - 3,
                     turned.width + 6, turned.height + 6);
}

TEST(FiltersRotation, CanvasHasTheTurnedSizeAndTheColour) {
    // A float quarter turn has a cosine of -4.4e-8, too small to change a size.
    EXPECT_EQ(rotatedSize(100, 50, 90).width, 50);
    EXPECT_EQ(rotatedSize(100, 50, 90).height, 100);
    EXPECT_EQ(rotatedSize(100, 50, 180).width, 100);
    // 100 cos 30 + 50 sin 30 = 111.6 and 100 sin 30 + 50 cos 30 = 93.3.
    const std::optional<ImageObject> opaque = makeRotationCanvas(100, 50, 30, 0x00336699, false);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->depth, 24);
    EXPECT_EQ(opaque->width, 112);
    EXPECT_EQ(opaque->height, 93);
    EXPECT_EQ(pixelAt(*opaque, 111, 92), (Bgra{0x33, 0x66, 0x99, 255}));

    const std::optional<ImageObject> clear = makeRotationCanvas(100, 50, 30, 0x00336699, true);
    ASSERT_TRUE(clear);
    EXPECT_EQ(clear->depth, 32);
    EXPECT_EQ(pixelAt(*clear, 0, 0), (Bgra{0x33, 0x66, 0x99, 0}));
    EXPECT_EQ(pixelAt(*clear, 111, 92), (Bgra{0x33, 0x66, 0x99, 0}));

    EXPECT_FALSE(makeRotationCanvas(0, 50, 0, 0, false));
}

TEST(FiltersRotation, ResultIsTheTurnedBoxPlusABackgroundFrame) {
    const ImageObject source = patternImage(100, 50, 24);
    const uint32_t background = 0x00102030;
    const Bgra bg{0x10, 0x20, 0x30, 255};
    for (const auto& [degrees, width, height] : {std::tuple{90, 56, 106}, std::tuple{180, 106, 56},
                                                 std::tuple{270, 56, 106}, std::tuple{33, 117, 102}}) {
        SCOPED_TRACE(degrees);
        const std::optional<ImageObject> turned = rotateImage(source, degrees, background);
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->depth, 24);
        EXPECT_EQ(turned->width, width);
        EXPECT_EQ(turned->height, height);
        if (degrees % 90 != 0) {
            // The turned corners touch the box, and their anti-aliased edges reach into
            // the frame there; the corners of the result are background.
            EXPECT_EQ(pixelAt(*turned, 0, 0), bg);
            EXPECT_EQ(pixelAt(*turned, width - 1, 0), bg);
            EXPECT_EQ(pixelAt(*turned, 0, height - 1), bg);
            EXPECT_EQ(pixelAt(*turned, width - 1, height - 1), bg);
            continue;
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool frame = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
                if (frame) {
                    ASSERT_EQ(pixelAt(*turned, x, y), bg) << x << "," << y;
                }
            }
        // Whole-pixel turns about a whole-pixel centre move pixels without resampling.
        EXPECT_EQ(pixelAt(*turned, 3, 3), degrees == 90    ? pixelAt(source, 0, 49)
                                          : degrees == 180 ? pixelAt(source, 99, 49)
                                                           : pixelAt(source, 99, 0));
    }
}

TEST(FiltersRotation, QuarterTurnIsClockwise) {
    // Red in the top-left corner and blue in the bottom-left of a white 40 x 20 image:
    // turned clockwise the red corner goes to the top right and the blue one to the top left.
    ImageObject source = *createImage(40, 20, 24, 0x00FFFFFF);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            setPixel(source, x, y, {0, 0, 255, 255});
            setPixel(source, x, 19 - y, {255, 0, 0, 255});
        }
    const std::optional<ImageObject> turned = rotateImage(source, 90, 0);
    ASSERT_TRUE(turned);
    ASSERT_EQ(turned->width, 26);
    ASSERT_EQ(turned->height, 46);
    EXPECT_EQ(pixelAt(*turned, 21, 4), (Bgra{0, 0, 255, 255}));   // top right inside the frame
    EXPECT_EQ(pixelAt(*turned, 4, 4), (Bgra{255, 0, 0, 255}));    // top left
    EXPECT_EQ(pixelAt(*turned, 21, 41), (Bgra{255, 255, 255, 255}));
}

TEST(FiltersRotation, TransparentPixelsOfTheSourceShowTheBackground) {
    // Green whose left half is fully transparent, turned over red: the result is opaque,
    // red where the source was clear (its stored green does not show), green elsewhere.
    ImageObject source = *createImage(30, 20, 32, 0x0000FF00);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) setPixel(source, x, y, {0, 255, 0, uint8_t(x < 15 ? 0 : 255)});
    const std::optional<ImageObject> turned = rotateImage(source, 180, 0x000000FF);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->depth, 24);
    EXPECT_EQ(pixelAt(*turned, 10, 10), (Bgra{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(*turned, 25, 10), (Bgra{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*turned, 1, 1), (Bgra{0, 0, 255, 255}));
}

TEST(FiltersRotation, HalfTransparentPixelsMixWithTheBackground) {
    // White at alpha 128 over blue (a free turn and a quarter turn, which copies pixels
    // straight across): half way between them, wherever the filter sees only such pixels.
    ImageObject source = *createImage(40, 40, 32, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) setPixel(source, x, y, {255, 255, 255, 128});
    for (const int degrees : {45, 90}) {
        SCOPED_TRACE(degrees);
        const std::optional<ImageObject> turned = rotateImage(source, degrees, 0x00FF0000);
        ASSERT_TRUE(turned);
        const Bgra middle = pixelAt(*turned, turned->width / 2, turned->height / 2);
        EXPECT_EQ(middle, (Bgra{255, 128, 128, 255}));
    }
}

// Where the result's pixel (x, y) lies on the first canvas, measured from that canvas's
// edge and from the source placed on it (negative inside the source).
struct FirstCanvasPosition {
    double fromCanvasEdge;
    double fromSource;
};

FirstCanvasPosition firstCanvasPosition(const RotationLayout& layout, const ImageObject& source, int degrees, int x,
                                        int y) {
    const double radians = -std::fmod(double(degrees), 360.0) * std::numbers::pi / 180.0;
    const double bx = layout.grabX + x + 0.5 - layout.centreX, by = layout.grabY + y + 0.5 - layout.centreY;
    const double ax = layout.centreX + bx * std::cos(radians) - by * std::sin(radians);
    const double ay = layout.centreY + bx * std::sin(radians) + by * std::cos(radians);
    const double sx = ax - layout.placeX, sy = ay - layout.placeY;
    return {std::min({ax, ay, layout.canvasWidth - ax, layout.canvasHeight - ay}),
            std::max({-sx, -sy, sx - source.width, sy - source.height})};
}

// Within reach of the cubic filter (two pixels) from the first canvas's edge, the
// two-canvas construction shows that edge: cairo fades the canvas out over the second
// one with the cubic's overshoot, a faint line across the frame and the corners up to
// 14 levels off the background. rotateImage has background there, as the frame promises,
// or where the source is as close, the source's own edge blended with background.
constexpr double kFilterReach = 2.5;

// Elsewhere the pictures are identical: the tiles make pixman sample at exactly the
// positions at which it samples the second canvas.
TEST(FiltersRotation, MatchesTheTwoCanvasConstruction) {
    struct Case {
        int width, height, depth, degrees;
    };
    // Sizes below, at and beyond one tile (256 pixels), odd and even, 24- and 32-bit.
    const Case cases[] = {{37, 23, 24, 1},   {37, 23, 24, 33},  {37, 23, 24, 45},   {37, 23, 24, 90},
                          {37, 23, 32, 135}, {37, 23, 24, 180}, {37, 23, 24, 270},  {37, 23, 24, 359},
                          {20, 31, 24, 17},  {31, 31, 32, 60},  {1, 1, 24, 45},     {2, 9, 24, 90},
                          {9, 2, 24, 91},    {64, 48, 24, 200}, {300, 40, 24, 7},   {290, 300, 24, 301},
                          {257, 511, 24, 29}, {300, 200, 32, 250}};
    const uint32_t background = 0x0080C040;
    const Bgra bg{0x80, 0xC0, 0x40, 255};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << "x" << c.depth << " at " << c.degrees);
        const ImageObject source = patternImage(c.width, c.height, c.depth, unsigned(c.degrees));
        const std::optional<ImageObject> expected = referenceRotation(source, c.degrees, background);
        const std::optional<ImageObject> turned = rotateImage(source, c.degrees, background);
        ASSERT_TRUE(expected);
        ASSERT_TRUE(turned);
        ASSERT_EQ(turned->width, expected->width);
        ASSERT_EQ(turned->height, expected->height);
        EXPECT_EQ(turned->depth, expected->depth);
        EXPECT_EQ(turned->sourceDepth, expected->sourceDepth);
        const RotationLayout layout = rotationLayout(c.width, c.height, c.degrees);
        int compared = 0;
        for (int y = 0; y < turned->height; ++y)
            for (int x = 0; x < turned->width; ++x) {
                const FirstCanvasPosition at = firstCanvasPosition(layout, source, c.degrees, x, y);
                if (at.fromCanvasEdge >= kFilterReach) {
                    ASSERT_EQ(pixelAt(*turned, x, y), pixelAt(*expected, x, y)) << x << "," << y;
                    ++compared;
                } else if (at.fromSource > kFilterReach) {
                    ASSERT_EQ(pixelAt(*turned, x, y), bg) << x << "," << y;
                }
            }
        EXPECT_GT(compared, turned->width * turned->height / 3);
    }
}

TEST(FiltersRotation, NoImageForAMissingSource) {
    EXPECT_FALSE(rotateImage(ImageObject{}, 90, 0));
    ImageObject broken = patternImage(10, 10, 24);
    broken.pixels.resize(10);
    EXPECT_FALSE(rotateImage(broken, 90, 0));
}

}  // namespace
}  // namespace tesselon

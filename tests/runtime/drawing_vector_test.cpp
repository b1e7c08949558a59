#include <gtest/gtest.h>

#include <limits>

#include "drawing_test_images.h"
#include "runtime/drawing/colour.h"
#include "runtime/drawing/vector_drawing.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::makeImage;
using testing::pixel;
using testing::setPixel;

const Bgra kBlack{0, 0, 0, 255};
constexpr uint32_t kWhite = 0xFFFFFFFF;

TEST(VectorDrawing, UnitSquareAtIntegerCoordinatesCoversExactlyOnePixel) {
    ImageObject image = makeImage(6, 6, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(image);
        ASSERT_TRUE(drawing);
        EXPECT_EQ(drawing->outputWidth(), 6.0);
        drawing->setSourceColour(kWhite);
        drawing->addPathBox(2, 2, 1, 1);
        drawing->fillPath();
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(pixel(image, x, y).g, (x == 2 && y == 2) ? 255 : 0) << x << "," << y;
}

TEST(VectorDrawing, UndrawnStraightAlphaPixelsSurviveTheRoundTrip) {
    ImageObject image = makeImage(4, 2, 32, {0, 0, 0, 0});
    const Bgra original[4] = {{200, 100, 50, 1}, {13, 250, 7, 0}, {255, 254, 253, 127}, {90, 91, 92, 254}};
    for (int x = 0; x < 4; ++x)
        setPixel(image, x, 0, original[x]);
    auto drawing = VectorDrawing::start(image);
    ASSERT_TRUE(drawing);
    drawing->setSourceColour(rgba(255, 0, 0, 128));
    drawing->addPathBox(0, 1, 1, 1);
    drawing->fillPath();
    EXPECT_EQ(pixel(image, 0, 1), (Bgra{0, 0, 0, 0}));  // nothing reaches the image before finish
    EXPECT_TRUE(drawing->finish());
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(pixel(image, x, 0), original[x]) << x;
    EXPECT_EQ(pixel(image, 0, 1), (Bgra{0, 0, 255, 128}));
    EXPECT_EQ(pixel(image, 1, 1), (Bgra{0, 0, 0, 0}));

    EXPECT_FALSE(drawing->finish());
    drawing->addPathBox(0, 0, 4, 4);
    drawing->fillPath();
    EXPECT_EQ(pixel(image, 1, 1), (Bgra{0, 0, 0, 0}));
}

TEST(VectorDrawing, ImageReplacedWhileDrawingIsNotOverrun) {
    ImageObject image = makeImage(40, 40, 32);
    auto drawing = VectorDrawing::start(image);
    ASSERT_TRUE(drawing);
    drawing->addPathBox(0, 0, 40, 40);
    drawing->fillPath();
    image = makeImage(2, 2, 32, {1, 2, 3, 4});
    drawing->finish();
    EXPECT_EQ(pixel(image, 1, 1), (Bgra{1, 2, 3, 4}));
    ImageObject empty;
    EXPECT_FALSE(VectorDrawing::start(empty));
}

TEST(VectorDrawing, FillRuleDecidesWhetherOverlapsAreFilled) {
    for (const uint32_t flags : {0u, uint32_t(kPathWinding)}) {
        ImageObject image = makeImage(12, 6, 24, kBlack);
        {
            auto drawing = VectorDrawing::start(image);
            ASSERT_TRUE(drawing);
            drawing->setSourceColour(kWhite);
            // One figure crossing itself: x 5..7 is enclosed twice, the same way round.
            drawing->movePathCursor(1, 1);
            for (auto [x, y] : {std::pair{7, 1}, {7, 5}, {5, 5}, {5, 1}, {11, 1}, {11, 5}, {1, 5}})
                drawing->addPathLine(x, y);
            drawing->closePath();
            drawing->fillPath(flags | kPathPreserve);
            drawing->setSourceColour(rgba(0, 0, 255, 255));
            drawing->fillPath(flags);
            drawing->setSourceColour(rgba(0, 255, 0, 255));
            drawing->fillPath(flags);  // the path is gone
        }
        const uint8_t inside = 255, overlap = flags ? 255 : 0;
        EXPECT_EQ(pixel(image, 2, 3).b, inside);
        EXPECT_EQ(pixel(image, 9, 3).b, inside);
        EXPECT_EQ(pixel(image, 6, 3).b, overlap) << flags;
        EXPECT_EQ(pixel(image, 0, 3).b, 0);
        EXPECT_EQ(pixel(image, 2, 3).g, 0);
    }
}

// Strokes a horizontal line along y = 5 (rows 4 and 5 at width 2) from x = fromX to
// the right edge and shows which pixels of row 4 are lit.
std::string strokedRow(double width, const std::vector<double>& dashes, uint32_t flags, double offset,
                       double fromX = 0) {
    ImageObject image = makeImage(40, 10, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(image);
        if (!drawing)
            return {};
        drawing->setSourceColour(kWhite);
        drawing->movePathCursor(fromX, 5);
        drawing->addPathLine(40, 5);
        drawing->customDashStroke(width, dashes, flags, offset);
    }
    std::string row;
    for (int x = 0; x < 40; ++x) {
        const int v = pixel(image, x, 4).r;
        row += v >= 250 ? '#' : v <= 5 ? '.' : '+';
    }
    return row;
}

TEST(CustomDashStroke, PatternsAlongAHorizontalLine) {
    // A zero gap becomes one line width.
    EXPECT_EQ(strokedRow(2, {6, 0}, 0, 0), "######..######..######..######..######..");
    EXPECT_EQ(strokedRow(2, {4, 4}, 0, 2), "##....####....####....####....####....##");
    // Square ends: every dash shows one width longer and every gap one width shorter,
    // the first dash starting half a width before the line does.
    EXPECT_EQ(strokedRow(2, {4, 8}, kPathSquareEnd, 0, 10), ".........######......######......######.");
    const std::string solid(40, '#');
    for (const std::vector<double>& invalid :
         {std::vector<double>{4}, {4, 4, 4}, {4, -1}, {4, std::numeric_limits<double>::quiet_NaN()}})
        EXPECT_EQ(strokedRow(2, invalid, 0, 0), solid) << invalid.size();
    // All lengths zero with round ends: negligible dashes that cairo still accepts.
    EXPECT_EQ(strokedRow(2, {0, 0}, kPathRoundEnd, 0, 2).substr(2), solid.substr(2));
}

TEST(CustomDashStroke, ZeroDashesWithRoundEndsMakeDots) {
    ImageObject image = makeImage(40, 12, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(image);
        ASSERT_TRUE(drawing);
        drawing->setSourceColour(kWhite);
        drawing->movePathCursor(5, 6);
        drawing->addPathLine(40, 6);
        drawing->customDashStroke(4, {0, 12}, kPathRoundEnd, 0);
    }
    for (int centre : {5, 17, 29}) {  // dots 4 across
        EXPECT_GE(pixel(image, centre, 6).r, 250) << centre;
        EXPECT_GE(pixel(image, centre - 1, 5).r, 250) << centre;
        EXPECT_EQ(pixel(image, centre + 3, 6).r, 0) << centre;
        EXPECT_EQ(pixel(image, centre, 9).r, 0) << centre;
    }
}

TEST(CustomDashStroke, PreserveKeepsThePathForAFill) {
    ImageObject image = makeImage(10, 10, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(image);
        ASSERT_TRUE(drawing);
        drawing->addPathBox(2, 2, 6, 6);
        drawing->setSourceColour(rgba(255, 0, 0, 255));
        drawing->customDashStroke(2, {99999, 0}, kPathPreserve, 0);
        drawing->setSourceColour(rgba(0, 0, 255, 255));
        drawing->fillPath();
        drawing->setSourceColour(kWhite);
        drawing->customDashStroke(2, {99999, 0}, 0, 0);  // the fill cleared the path
    }
    EXPECT_EQ(pixel(image, 1, 5), (Bgra{0, 0, 255, 255}));  // outer half of the stroke
    EXPECT_EQ(pixel(image, 2, 5), (Bgra{255, 0, 0, 255}));  // inner half, filled over
    EXPECT_EQ(pixel(image, 0, 5), kBlack);
}

TEST(VectorDrawing, RotateNinetyDegreesTurnsClockwise) {
    ImageObject source = makeImage(10, 10, 24, kBlack);
    setPixel(source, 2, 1, {255, 255, 255});
    ImageObject target = makeImage(10, 10, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(target);
        ASSERT_TRUE(drawing);
        drawing->rotateCoordinates(drawing->outputWidth() * 0.5, drawing->outputHeight() * 0.5, 90);
        drawing->movePathCursor(0, 0);
        drawing->drawVectorImage(source, 255);
        EXPECT_EQ(drawing->pathCursorX(), 10.0);
        EXPECT_EQ(drawing->pathCursorY(), 10.0);
        drawing->rotateCoordinates(1, 1, std::numeric_limits<double>::quiet_NaN());  // ignored
    }
    // Near the top edge left of centre turns to near the right edge above centre.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x == 8 && y == 2)
                EXPECT_GE(pixel(target, x, y).r, 250);
            else
                EXPECT_LE(pixel(target, x, y).r, 5) << x << "," << y;
        }
    }
}

TEST(VectorDrawing, DrawVectorImageScalesOpacityByAlpha) {
    ImageObject source = makeImage(4, 4, 24, {255, 255, 255});
    ImageObject target = makeImage(10, 10, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(target);
        ASSERT_TRUE(drawing);
        drawing->movePathCursor(3, 2);
        drawing->drawVectorImage(source, 128);
        drawing->drawVectorImage(source, 999);  // clamped to opaque, at (7, 6)
    }
    EXPECT_NEAR(pixel(target, 4, 3).g, 128, 1);
    EXPECT_NEAR(pixel(target, 6, 5).g, 128, 1);
    EXPECT_EQ(pixel(target, 2, 3).g, 0);
    EXPECT_EQ(pixel(target, 7, 5).g, 0);
    EXPECT_EQ(pixel(target, 8, 7).g, 255);

    // A 32-bit source also brings its own alpha.
    ImageObject translucent = makeImage(2, 1, 32, {0, 0, 255, 0});
    setPixel(translucent, 1, 0, {0, 0, 255, 255});
    ImageObject canvas = makeImage(2, 1, 24, kBlack);
    {
        auto drawing = VectorDrawing::start(canvas);
        ASSERT_TRUE(drawing);
        drawing->drawVectorImage(translucent, 255);
    }
    EXPECT_EQ(pixel(canvas, 0, 0), kBlack);
    EXPECT_EQ(pixel(canvas, 1, 0), (Bgra{0, 0, 255, 255}));
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include "filters_test_images.h"
#include "processing/filters/mirror.h"

namespace tesselon {
namespace {

using testing::patternImage;
using testing::pixelAt;

TEST(FiltersMirror, HorizontalMovesWholePixelsAndKeepsTheMiddleColumn) {
    for (const int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        const ImageObject original = patternImage(5, 3, depth);
        ImageObject image = original;
        EXPECT_TRUE(mirrorImage(image, false));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(image, x, y), pixelAt(original, 4 - x, y)) << x << "," << y;
        EXPECT_TRUE(mirrorImage(image, false));
        EXPECT_EQ(image.pixels, original.pixels);
    }
}

TEST(FiltersMirror, VerticalReversesTheRowsAndKeepsTheMiddleRow) {
    for (const int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        // Width 3: 24-bit rows are padded from 9 to 12 bytes.
        const ImageObject original = patternImage(3, 5, depth);
        ImageObject image = original;
        EXPECT_TRUE(mirrorImage(image, true));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(pixelAt(image, x, y), pixelAt(original, x, 4 - y)) << x << "," << y;
        EXPECT_TRUE(mirrorImage(image, true));
        EXPECT_EQ(image.pixels, original.pixels);
    }
}

TEST(FiltersMirror, EvenSizesAndSinglePixels) {
    const ImageObject original = patternImage(4, 2, 24);
    ImageObject image = original;
    EXPECT_TRUE(mirrorImage(image, false));
    EXPECT_EQ(pixelAt(image, 1, 1), pixelAt(original, 2, 1));
    EXPECT_TRUE(mirrorImage(image, true));
    EXPECT_EQ(pixelAt(image, 1, 1), pixelAt(original, 2, 0));

    ImageObject dot = patternImage(1, 1, 32);
    const ImageObject dotBefore = dot;
    EXPECT_TRUE(mirrorImage(dot, false));
    EXPECT_TRUE(mirrorImage(dot, true));
    EXPECT_EQ(dot.pixels, dotBefore.pixels);
}

TEST(FiltersMirror, NotDoneForMissingOrBrokenImages) {
    ImageObject empty;
    EXPECT_FALSE(mirrorImage(empty, false));
    EXPECT_FALSE(mirrorImage(empty, true));
    ImageObject broken = patternImage(6, 6, 24);
    broken.depth = 8;  // no image in memory has that depth
    EXPECT_FALSE(mirrorImage(broken, false));
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "processing/text/text_layout.h"
#include "processing/text/text_wrap.h"
#include "runtime/drawing/font.h"
#include "runtime/drawing/text_measurer.h"

namespace tesselon {
namespace {

using Lines = std::vector<std::string>;

class TextLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        font = loadFont("Arial", 24, kFontBold | kFontItalic, 96).value();
        ASSERT_TRUE(measurer.setFont(font, 24));
        lh = std::round(measurer.height("|", kTextVisible));
    }
    double ink(const std::string& text) { return measurer.width(text, kTextVisible); }

    Font font;
    TextMeasurer measurer;
    double lh = 0;
};

TEST(LineBreaks, EachConventionIsOneBreak) {
    EXPECT_EQ(normaliseLineBreaks("a\r\nb\n\rc\rd\ne"), "a\nb\nc\nd\ne");
    EXPECT_EQ(normaliseLineBreaks("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(normaliseLineBreaks("a\r\rb\n\nc"), "a\n\nb\n\nc");
    // LF CR pairs are taken first: LF CR LF is one break followed by a lone LF.
    EXPECT_EQ(normaliseLineBreaks("a\n\r\nb"), "a\n\nb");
    EXPECT_EQ(normaliseLineBreaks("sin saltos"), "sin saltos");
}

TEST_F(TextLayoutTest, ParagraphsAndEmptyLines) {
    EXPECT_EQ(wrapLines(measurer, "", 500), Lines{""});
    EXPECT_EQ(wrapLines(measurer, "uno\n\ndos\n", 500), (Lines{"uno", "", "dos", ""}));
    // Spaces alone make a line that ends up empty once its trailing spaces go.
    EXPECT_EQ(wrapLines(measurer, "   \n\tx ", 500), (Lines{"", "\tx"}));
}

TEST_F(TextLayoutTest, WrapsByInkWidthAgainstTheImageWidthLessTwelve) {
    const double both = ink("ab cd");
    // The line takes the word only while its ink is strictly narrower than W - 12.
    EXPECT_EQ(wrapLines(measurer, "ab cd", int(std::floor(both)) + 13), Lines{"ab cd"});
    EXPECT_EQ(wrapLines(measurer, "ab cd", int(std::floor(both)) + 12), (Lines{"ab", "cd"}));

    // A word wider than the image stays whole on a line of its own.
    const std::string wide = "Anticonstitucionalmente";
    const int width = int(ink(wide) / 2);
    EXPECT_EQ(wrapLines(measurer, "a " + wide + " b c", width), (Lines{"a", wide, "b c"}));
    EXPECT_EQ(wrapLines(measurer, wide, 10), Lines{wide});

    // Lines far longer than the font size are measured whole.
    std::string many = "palabra";
    for (int i = 0; i < 40; ++i)
        many += " palabra";
    EXPECT_GT(ink(many), 40 * ink("palabra"));
    const Lines wrapped = wrapLines(measurer, many, 700);
    EXPECT_GE(wrapped.size(), size_t(ink(many) / 688));
    for (const std::string& line : wrapped)
        EXPECT_LT(ink(line), 688) << line;

    // Double spaces make empty words that stay inside a line and vanish at its end.
    const int narrow = int(std::ceil(ink("uno"))) + 20;
    EXPECT_EQ(wrapLines(measurer, "uno  dos", narrow), (Lines{"uno", "dos"}));
    EXPECT_EQ(wrapLines(measurer, "uno  dos  ", 1000), Lines{"uno  dos"});
}

TEST_F(TextLayoutTest, HorizontalPlaces) {
    const TextBlockLayout layout = layoutTextBlock(measurer, "Hola\nmundo", 801, 600, 0, 1.0);
    const auto xs = [&](int position) {
        std::vector<double> result;
        for (const PlacedLine& line : placeLines(measurer, layout, 801, position))
            result.push_back(line.x);
        return result;
    };
    EXPECT_EQ(xs(0), (std::vector<double>{4, 4}));
    EXPECT_EQ(xs(1), (std::vector<double>{std::round(801 - ink("Hola") - 4), std::round(801 - ink("mundo") - 4)}));
    // Centred on the truncated half width.
    EXPECT_EQ(xs(2), (std::vector<double>{std::round(400 - ink("Hola") / 2), std::round(400 - ink("mundo") / 2)}));
    // A stored code with both horizontal bits is centred.
    EXPECT_EQ(xs(3), xs(2));
}

TEST_F(TextLayoutTest, VerticalPlacesAndLineSpacing) {
    const std::string three = "uno\ndos\ntres";
    const TextBlockLayout top = layoutTextBlock(measurer, three, 600, 500, 0, 2.0);
    EXPECT_EQ(top.tops, (std::vector<double>{2, 2 + 2 * lh, 2 + 4 * lh}));
    EXPECT_EQ(top.bottom, 2 + 5 * lh);

    const TextBlockLayout touching = layoutTextBlock(measurer, three, 600, 500, 0, 1.0);
    EXPECT_EQ(touching.tops, (std::vector<double>{2, 2 + lh, 2 + 2 * lh}));
    const TextBlockLayout stacked = layoutTextBlock(measurer, three, 600, 500, 0, 0.0);
    EXPECT_EQ(stacked.tops, (std::vector<double>{2, 2, 2}));

    // The last line ends 12 pixels above the bottom edge.
    const TextBlockLayout bottom = layoutTextBlock(measurer, three, 600, 500, 8, 1.5);
    EXPECT_EQ(bottom.tops.back() + lh, 500 - 12);
    EXPECT_EQ(bottom.bottom, 500 - 12);

    const TextBlockLayout middle = layoutTextBlock(measurer, three, 600, 500, 4, 2.0);
    EXPECT_EQ(middle.tops[0], std::round(float(250 - lh * 2.0 * 2 * 0.5 - lh * 0.5)));
    // Middle wins over bottom when a stored code sets both.
    EXPECT_EQ(layoutTextBlock(measurer, three, 600, 500, 12, 2.0).tops, middle.tops);
}

TEST_F(TextLayoutTest, BlockAboveTheTopMovesDownByWholeLineHeights) {
    const std::string lines = "1\n2\n3\n4\n5\n6\n7\n8";
    const int height = int(4 * lh);
    const TextBlockLayout layout = layoutTextBlock(measurer, lines, 600, height, 8, 1.0);
    const double unmoved = height - lh * 7 - lh - 12;
    ASSERT_LT(unmoved, 2);
    EXPECT_GE(layout.tops[0], 2);
    EXPECT_LT(layout.tops[0] - lh, 2);
    EXPECT_EQ(std::fmod(layout.tops[0] - unmoved, lh), 0);
    EXPECT_GT(layout.bottom, height);  // so the fitting shrinks it
}

TEST_F(TextLayoutTest, AbsurdSpacingNeitherHangsNorPlacesLinesOnTheImage) {
    for (double spacing : {1e30, -1e30, double(INFINITY), double(NAN), -3.0}) {
        for (int position : {0, 4, 8}) {
            const TextBlockLayout layout = layoutTextBlock(measurer, "a\nb\nc", 300, 200, position, spacing);
            ASSERT_EQ(layout.tops.size(), 3u);
        }
    }
}

// The size the loop ends with is the first one, counting down from the start, whose
// block fits; sizes passed over unmeasured must all have been too tall.
TEST_F(TextLayoutTest, FittingFindsTheLargestSizeThatFits) {
    const std::string text = "Texto de prueba\nen varias líneas que se ajustan";
    const auto fits = [&](int size) {
        TextMeasurer m;
        m.setFont(font, size);
        return layoutTextBlock(m, text, 400, 150, 6, 2.0).bottom <= 150;
    };
    for (int start : {26, 60, 65535, 2000000}) {
        TextMeasurer m;
        const std::optional<TextBlockLayout> layout = fitTextBlock(m, font, start, text, 400, 150, 6, 2.0);
        ASSERT_TRUE(layout);
        const int size = int(layout->fontSize);
        EXPECT_LE(layout->bottom, 150);
        EXPECT_TRUE(fits(size));
        for (int larger = size + 1; larger <= std::min(start, size + 150); ++larger)
            ASSERT_FALSE(fits(larger)) << "start " << start << " passed over " << larger;
        EXPECT_EQ(m.fontSize(), size);
    }
}

TEST_F(TextLayoutTest, FittingStopsAtFourAndOneBelowSmallStarts) {
    const std::string longPhrase = [] {
        std::string text;
        while (text.size() < 2000)
            text += "palabra ";
        return text;
    }();
    TextMeasurer m;
    std::optional<TextBlockLayout> layout = fitTextBlock(m, font, 26, longPhrase, 160, 120, 0, 2.0);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->fontSize, 4);
    EXPECT_GT(layout->bottom, 120);  // drawn anyway, cut off at the bottom

    // A start at 4 or below gets one try and then one size less.
    layout = fitTextBlock(m, font, 3, longPhrase, 160, 120, 0, 2.0);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->fontSize, 2);
    EXPECT_FALSE(fitTextBlock(m, font, 1, longPhrase, 160, 10, 0, 2.0));  // size 0 cannot be used
    EXPECT_FALSE(fitTextBlock(m, font, -8, "a", 160, 120, 0, 2.0));
}

}  // namespace
}  // namespace tesselon

#include <gtest/gtest.h>

#include <climits>

#include "runtime/drawing/font.h"
#include "runtime/drawing/font_table.h"

namespace tesselon {
namespace {

TEST(Fonts, NativeHeightRoundsLikeAnIntegerMultiplyDivide) {
    EXPECT_EQ(nativeFontHeight(12, 96), -16);
    EXPECT_EQ(nativeFontHeight(12, 120), -20);
    EXPECT_EQ(nativeFontHeight(11, 96), -15);  // 14.67
    EXPECT_EQ(nativeFontHeight(10, 96), -13);  // 13.33
    EXPECT_EQ(nativeFontHeight(3, 12), -1);    // 0.5, away from zero
    EXPECT_EQ(nativeFontHeight(-3, 12), 1);
    EXPECT_FALSE(nativeFontHeight(12, 0));
    EXPECT_FALSE(nativeFontHeight(INT_MAX, 96));
    EXPECT_EQ(nativeFontHeight(INT_MAX, 72), -INT_MAX);
}

TEST(Fonts, OfficeFacesResolveToTheirMetricCompatibleFamilies) {
    const std::optional<Font> arial = loadFont("Arial", 12, 0, 96);
    ASSERT_TRUE(arial);
    EXPECT_EQ(arial->family, "Liberation Sans");
    EXPECT_EQ(arial->nativeHeight, -16);
    EXPECT_EQ(arial->weight, 400);

    const uint32_t all = kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut | kFontHighQuality;
    const std::optional<Font> calibri = loadFont("Calibri", 12, all | 0x3, 120);  // unknown bits ignored
    ASSERT_TRUE(calibri);
    EXPECT_EQ(calibri->family, "Carlito");
    EXPECT_EQ(calibri->nativeHeight, -20);
    EXPECT_EQ(calibri->weight, 700);
    EXPECT_EQ(calibri->style(), all);
}

TEST(Fonts, UnknownFacesGetASubstituteAndBadArgumentsFail) {
    const std::optional<Font> unknown = loadFont("No Such Face 8f3a", 12, 0, 96);
    ASSERT_TRUE(unknown);
    EXPECT_FALSE(unknown->family.empty());
    EXPECT_TRUE(loadFont("Arial", 0, 0, 96));  // the size is chosen again when drawing
    EXPECT_FALSE(loadFont(std::string("Ari\0al", 6), 12, 0, 96));
    EXPECT_FALSE(loadFont("Arial", 12, 0, 0));
    EXPECT_FALSE(loadFont("Arial", INT_MAX, 0, 96));
}

TEST(FontTable, HandlesAndFreeing) {
    FontTable table;
    EXPECT_EQ(table.load(3, "Arial", 12, 0, 96), 3);
    EXPECT_EQ(table.load(3, "Calibri", 14, kFontBold, 96), 3);  // replaces
    EXPECT_EQ(table.find(3)->family, "Carlito");

    const std::optional<int> a = table.load(FontTable::kNewHandle, "Arial", 10, 0, 96);
    const std::optional<int> b = table.load(FontTable::kNewHandle, "Arial", 11, 0, 96);
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_GT(std::min(*a, *b), FontTable::kMaxFixedHandle);
    EXPECT_EQ(table.find(*b)->points, 11);

    EXPECT_FALSE(table.load(FontTable::kMaxFixedHandle + 1, "Arial", 10, 0, 96));
    EXPECT_FALSE(table.load(-7, "Arial", 10, 0, 96));
    EXPECT_FALSE(table.load(4, "Arial", 10, 0, 0));
    EXPECT_EQ(table.size(), 3u);

    const std::optional<Font> kept = table.find(3);
    EXPECT_TRUE(table.free(3));
    EXPECT_FALSE(table.free(3));
    EXPECT_FALSE(table.find(3));
    EXPECT_EQ(kept->family, "Carlito");  // a copy outlives its handle
    table.freeAll();
    EXPECT_EQ(table.size(), 0u);
}

}  // namespace
}  // namespace tesselon

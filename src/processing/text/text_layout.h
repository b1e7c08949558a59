// Where the lines of a text block go on an image, and the font size at which the
// block fits the image's height.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/drawing/font.h"
#include "runtime/drawing/text_measurer.h"

namespace tesselon {

// Bits of the text position code. Codes with neither vertical bit are placed at the
// top, with neither horizontal bit at the left; middle wins over bottom and centred
// over right when a stored code sets both.
enum TextPositionBits : int {
    kTextRight = 1,
    kTextCentred = 2,
    kTextMiddle = 4,
    kTextBottom = 8,
};

// Gap kept below a bottom-aligned block, and the least distance of any block from the
// top and (for left-aligned and right-aligned lines) from the sides.
constexpr int kBottomGap = 12;
constexpr int kTopEdge = 2;
constexpr int kSideGap = 4;

// Half away from zero, as all of the block's pixel arithmetic rounds.
double roundHalfAway(double value);

struct TextBlockLayout {
    double fontSize = 0;
    std::vector<std::string> lines;
    int lineHeight = 0;        // rounded ink height of "|"
    std::vector<double> tops;  // y of each line's layout box, whole pixels
    double bottom = 0;         // rounded last top + lineHeight; the fitting compares it with the height
};

// Wraps and stacks a normalised text at the measurer's current font. Absurd spacing
// factors (from a hand-edited settings file) may give tops that are not finite; such
// lines are never drawn.
TextBlockLayout layoutTextBlock(TextMeasurer& measurer, std::string_view text, int width, int height,
                                int position, double lineSpacing);

// A line ready to draw: its layout box's top-left corner at (x, y), and its ink
// bounds relative to that corner.
struct PlacedLine {
    std::string text;
    double x = 0;
    double y = 0;
    TextBox ink;
};

// The horizontal place of every line; the measurer must hold the layout's font.
std::vector<PlacedLine> placeLines(TextMeasurer& measurer, const TextBlockLayout& layout, int width, int position);

// Lays the text out at startSize and then one pixel smaller at a time while the block
// reaches below the image and the size is above 4 (so a start at or below 4 is tried
// once, and a block that is too tall ends one size smaller). Only sizes that certainly
// cannot fit are skipped without a full layout. Empty when the size it ends with
// cannot be used (below 1); the measurer is left at the returned layout's font.
std::optional<TextBlockLayout> fitTextBlock(TextMeasurer& measurer, const Font& font, int startSize,
                                            std::string_view text, int width, int height, int position,
                                            double lineSpacing);

}  // namespace tesselon

#include "processing/text/text_layout.h"

#include <algorithm>
#include <cmath>

#include "processing/text/text_wrap.h"

namespace tesselon {

namespace {

constexpr int kSmallestFittedSize = 4;
// FreeType's largest em in pixels. Larger sizes cannot be measured, and are taller than
// any image can be, so the shrinking would pass them without a fit anyway.
constexpr int kLargestMeasurableSize = 65535;
// Slack for the linear scaling of unhinted outlines, whose measured size strays by
// hundredths of a pixel from exact proportion.
constexpr double kScalingSlack = 0.999;
// Beyond this many line heights above the top edge the block is moved in one step.
constexpr double kMaxSingleSteps = 1e6;

// A block that starts above the top edge moves down by whole line heights, one at a
// time in the 32-bit arithmetic of its position, until its top reaches the edge.
float climbToTopEdge(float y0, double lineHeight) {
    if (!(lineHeight > 0) || !std::isfinite(y0) || y0 >= kTopEdge)
        return y0;
    const double steps = std::ceil((kTopEdge - double(y0)) / lineHeight);
    if (steps <= kMaxSingleSteps) {
        while (y0 < kTopEdge) {
            const float next = float(double(y0) + lineHeight);
            if (next == y0)  // a step too small for the float to register
                break;
            y0 = next;
        }
        if (y0 >= kTopEdge)
            return y0;
    }
    float moved = float(double(y0) + steps * lineHeight);
    if (moved < kTopEdge)
        moved = float(double(moved) + lineHeight);
    return moved;
}

// With a sane spacing every line's top lies at or below the top edge, so a block whose
// line height alone reaches below the image cannot fit at this size, however it wraps.
// Then the result is the next size worth a layout: each size that is smaller by one
// costs a new font instance (about a millisecond), so sizes whose line height, scaled
// from this one, would still be clearly too tall are passed over unmeasured. Empty
// when the block might fit at this size.
std::optional<int> nextSizeIfTooTall(TextMeasurer& measurer, int size, int height, double lineSpacing) {
    if (!(lineSpacing >= 0 && lineSpacing <= 1e6))
        return std::nullopt;
    const double inkHeight = measurer.height("|", kTextVisible);
    const double lineHeight = roundHalfAway(inkHeight);
    if (!(lineHeight > 0 && kTopEdge + lineHeight > height))
        return std::nullopt;
    // A size s has a line height of at least height - 1 once its ink height is above
    // height - 0.5, which inkHeight / size * s * kScalingSlack >= height + 1 guarantees.
    const double perPixel = inkHeight / size * kScalingSlack;
    const double firstClearlyTooTall = std::ceil((height + 1) / perPixel);
    return firstClearlyTooTall < size ? int(firstClearlyTooTall) - 1 : size - 1;
}

}  // namespace

double roundHalfAway(double value) {
    return value < 0 ? std::trunc(value - 0.5) : std::trunc(value + 0.5);
}

TextBlockLayout layoutTextBlock(TextMeasurer& measurer, std::string_view text, int width, int height,
                                int position, double lineSpacing) {
    TextBlockLayout layout;
    layout.fontSize = measurer.fontSize();
    layout.lines = wrapLines(measurer, text, width);
    layout.lineHeight = int(roundHalfAway(measurer.height("|", kTextVisible)));

    const double lh = layout.lineHeight;
    const double gaps = double(layout.lines.size()) - 1;
    float y0;
    if (position & kTextMiddle)
        y0 = float(height * 0.5 - lh * lineSpacing * gaps * 0.5 - lh * 0.5);
    else if (position & kTextBottom)
        y0 = float(height - lh * lineSpacing * gaps - lh - kBottomGap);
    else
        y0 = kTopEdge;
    y0 = climbToTopEdge(y0, lh);

    layout.tops.reserve(layout.lines.size());
    for (size_t k = 0; k < layout.lines.size(); ++k) {
        layout.tops.push_back(roundHalfAway(y0));
        if (k + 1 < layout.lines.size())
            y0 = float(double(y0) + lh * lineSpacing);
    }
    layout.bottom = roundHalfAway(double(y0) + lh);
    return layout;
}

std::vector<PlacedLine> placeLines(TextMeasurer& measurer, const TextBlockLayout& layout, int width, int position) {
    std::vector<PlacedLine> placed;
    placed.reserve(layout.lines.size());
    for (size_t k = 0; k < layout.lines.size(); ++k) {
        PlacedLine line;
        line.text = layout.lines[k];
        line.ink = measurer.inkBox(line.text);
        if (position & kTextCentred)
            line.x = roundHalfAway(double(width / 2) - line.ink.width * 0.5);
        else if (position & kTextRight)
            line.x = roundHalfAway(double(width) - line.ink.width - kSideGap);
        else
            line.x = kSideGap;
        line.y = layout.tops[k];
        placed.push_back(std::move(line));
    }
    return placed;
}

std::optional<TextBlockLayout> fitTextBlock(TextMeasurer& measurer, const Font& font, int startSize,
                                            std::string_view text, int width, int height, int position,
                                            double lineSpacing) {
    int size = startSize > kLargestMeasurableSize ? kLargestMeasurableSize : startSize;
    std::optional<TextBlockLayout> layout;
    for (;;) {
        layout.reset();
        if (!measurer.setFont(font, size))
            return std::nullopt;
        int next = size - 1;
        if (const std::optional<int> skipTo = nextSizeIfTooTall(measurer, size, height, lineSpacing)) {
            next = *skipTo;
        } else {
            layout = layoutTextBlock(measurer, text, width, height, position, lineSpacing);
            if (!(layout->bottom > height))
                break;
        }
        // Stepping one size at a time would stop at the first size of 4 or less.
        size = std::max(next, std::min(size - 1, kSmallestFittedSize));
        if (size <= kSmallestFittedSize)
            break;
    }
    if (!layout || layout->fontSize != size) {
        if (!measurer.setFont(font, size))
            return std::nullopt;
        layout = layoutTextBlock(measurer, text, width, height, position, lineSpacing);
    }
    return layout;
}

}  // namespace tesselon

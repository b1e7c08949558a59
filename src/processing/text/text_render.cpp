#include "processing/text/text_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/drawing/colour.h"
#include "runtime/drawing/vector_drawing.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {

constexpr double kOutlineWidth = 2;
// A dash longer than any glyph outline: in effect a solid line.
const std::vector<double> kOutlineDash = {99999, 0};
// How far paint may reach beyond a line's ink: half the outline width times cairo's
// default miter limit of 10 at the sharpest corners, plus a pixel of anti-aliasing,
// rounded up generously.
constexpr double kPaintMargin = 16;

uint8_t alphaFromTransparency(int32_t transparency) {
    return uint8_t(255 - std::clamp<int32_t>(transparency, 0, 255));
}

struct Rect {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return !(left < right && top < bottom); }
};

// Where the line can paint, relative to the image; empty for a line without ink or at
// a position that is not finite.
Rect paintBounds(const PlacedLine& line) {
    if (!std::isfinite(line.x) || !std::isfinite(line.y) || line.ink.width <= 0 || line.ink.height <= 0)
        return {};
    const double left = line.x + line.ink.x;
    const double top = line.y + line.ink.y;
    return {left - kPaintMargin, top - kPaintMargin, left + line.ink.width + kPaintMargin,
            top + line.ink.height + kPaintMargin};
}

bool intersects(const Rect& a, const Rect& b) {
    return !a.empty() && !b.empty() && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void drawLine(VectorDrawing& drawing, const PlacedLine& line, double dx, double dy, const TextColours& colours) {
    drawing.movePathCursor(line.x - dx, line.y - dy);
    drawing.addPathText(line.text);
    drawing.setSourceColour(colours.outline);
    drawing.customDashStroke(kOutlineWidth, kOutlineDash, 0, 0);
    drawing.setSourceColour(colours.interior);
    drawing.movePathCursor(line.x - dx, line.y - dy);
    drawing.addPathText(line.text);
    drawing.fillPath(0);
}

bool drawable(const ImageObject& image) {
    return image.valid() && (image.depth == 24 || image.depth == 32);
}

bool renderWholeImage(ImageObject& image, const Font& font, double fontSize, const std::vector<PlacedLine>& lines,
                      const TextColours& colours) {
    std::optional<VectorDrawing> drawing = VectorDrawing::start(image);
    if (!drawing)
        return false;
    if (drawing->setFont(font, fontSize)) {
        for (const PlacedLine& line : lines)
            drawLine(*drawing, line, 0, 0, colours);
    }
    drawing->finish();
    return true;
}

}  // namespace

TextColours textColours(const STRFuente& font) {
    const auto withAlpha = [](int32_t colour, int32_t transparency) {
        return (uint32_t(colour) & 0xFFFFFFu) | (uint32_t(alphaFromTransparency(transparency)) << 24);
    };
    return {withAlpha(font.ColorBorde, font.TransparenciaBorde), withAlpha(font.Color, font.TransparenciaInterior)};
}

// cairo rasterises the same path moved by whole pixels into the same coverage (glyph
// positions are multiples of 1/1024 pixel, so moving them is exact in its 24.8 fixed
// point) and composites pixel by pixel, so drawing on a crop whose edges lie beyond
// all paint, or on the image's own edges, gives the whole image's bytes.
bool renderTextLines(ImageObject& image, const Font& font, double fontSize, const std::vector<PlacedLine>& lines,
                     const TextColours& colours, RenderArea area) {
    if (!drawable(image))
        return false;
    if (area == RenderArea::WholeImage)
        return renderWholeImage(image, font, fontSize, lines, colours);

    const Rect imageRect{0, 0, double(image.width), double(image.height)};
    Rect crop{imageRect.right, imageRect.bottom, 0, 0};
    for (const PlacedLine& line : lines) {
        const Rect bounds = paintBounds(line);
        if (!intersects(bounds, imageRect))
            continue;
        crop.left = std::min(crop.left, std::max(std::floor(bounds.left), 0.0));
        crop.top = std::min(crop.top, std::max(std::floor(bounds.top), 0.0));
        crop.right = std::max(crop.right, std::min(std::ceil(bounds.right), imageRect.right));
        crop.bottom = std::max(crop.bottom, std::min(std::ceil(bounds.bottom), imageRect.bottom));
    }
    if (crop.empty())
        return true;

    const int left = int(crop.left), top = int(crop.top);
    const int width = int(crop.right) - left, height = int(crop.bottom) - top;
    std::optional<ImageObject> part = grabImage(image, left, top, width, height);
    if (!part)
        return false;
    {
        std::optional<VectorDrawing> drawing = VectorDrawing::start(*part);
        if (!drawing)
            return false;
        if (drawing->setFont(font, fontSize)) {
            for (const PlacedLine& line : lines) {
                if (intersects(paintBounds(line), crop))
                    drawLine(*drawing, line, left, top, colours);
            }
        }
        drawing->finish();
    }
    const size_t rowBytes = size_t(width) * size_t(image.bytesPerPixel());
    const size_t offset = size_t(left) * size_t(image.bytesPerPixel());
    for (int y = 0; y < height; ++y)
        std::memcpy(image.row(top + y) + offset, part->row(y), rowBytes);
    return true;
}

}  // namespace tesselon

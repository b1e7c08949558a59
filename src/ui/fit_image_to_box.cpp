#include "ui/fit_image_to_box.h"

#include <algorithm>

#include "runtime/drawing/raster_drawing.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "ui/block_average.h"

namespace tesselon {

namespace {

constexpr int kCheckerSquare = 8;
constexpr uint32_t kCheckerLight = 0xFFFFFF;
constexpr uint32_t kCheckerDark = 0xCCCCCC;

int roundHalfAway(double v) { return int(v < 0 ? v - 0.5 : v + 0.5); }

// Light and dark squares under the image's place, as image programs show transparency.
void drawCheckerboard(RasterDrawing& drawing, int left, int top, int width, int height) {
    for (int y = 0; y < height; y += kCheckerSquare)
        for (int x = 0; x < width; x += kCheckerSquare) {
            const bool dark = ((x / kCheckerSquare) + (y / kCheckerSquare)) % 2 == 1;
            drawing.box(left + x, top + y, std::min(kCheckerSquare, width - x), std::min(kCheckerSquare, height - y),
                        dark ? kCheckerDark : kCheckerLight);
        }
}

}  // namespace

std::optional<PaneFit> paneFitFor(int width, int height, int boxWidth, int boxHeight, double scaleX, double scaleY) {
    PaneFit fit;
    fit.paneWidth = roundHalfAway(boxWidth * scaleX);
    fit.paneHeight = roundHalfAway(boxHeight * scaleY);
    if (fit.paneWidth <= 0 || fit.paneHeight <= 0 || fit.paneWidth > kMaxImageDimension ||
        fit.paneHeight > kMaxImageDimension)
        return std::nullopt;
    // Single precision on purpose: the sizes come out exactly as the panes always had them.
    float w = float(width);
    float h = float(height);
    if (w > float(fit.paneWidth)) {
        const float f = float(double(fit.paneWidth) / double(w));
        w *= f;
        h *= f;
    }
    if (h > float(fit.paneHeight)) {
        const float f = float(double(fit.paneHeight) / double(h));
        w *= f;
        h *= f;
    }
    fit.width = roundHalfAway(w) < 1 ? 1 : roundHalfAway(w);
    fit.height = roundHalfAway(h) < 1 ? 1 : roundHalfAway(h);
    // Blocks first where the shrink is large enough that the smooth resize still halves
    // the result or more.
    if (width > 0 && height > 0 && (fit.width != width || fit.height != height)) {
        const int factor = std::min(width / fit.width, height / fit.height) / 2;
        if (factor >= 2) fit.blockFactor = factor;
    }
    return fit;
}

std::optional<ImageObject> paneOf(const ImageObject& image, const PaneFit& fit, uint32_t background) {
    std::optional<ImageObject> shrunk;
    const ImageObject* shown = &image;
    if (image.valid() && (fit.width != image.width || fit.height != image.height)) {
        shrunk = resizedImage(image, fit.width, fit.height);
        if (shrunk) shown = &*shrunk;
    }
    const int bw = fit.paneWidth, bh = fit.paneHeight;
    std::optional<ImageObject> pane = createImage(bw, bh, 24, background & 0xFFFFFF);
    if (!pane) return std::nullopt;
    if (shown->valid()) {
        if (std::optional<RasterDrawing> drawing = RasterDrawing::start(*pane)) {
            const int x = bw / 2 - shown->width / 2, y = bh / 2 - shown->height / 2;
            if (shown->depth == 32) {
                drawCheckerboard(*drawing, x, y, shown->width, shown->height);
                drawing->setMode(kRasterAlphaBlend);
            }
            drawing->drawImage(*shown, x, y);
        }
    }
    return pane;
}

std::optional<ImageObject> fitImageToBox(const ImageObject& image, int boxWidth, int boxHeight, double scaleX,
                                         double scaleY, uint32_t background) {
    const std::optional<PaneFit> fit = paneFitFor(image.width, image.height, boxWidth, boxHeight, scaleX, scaleY);
    if (!fit) return std::nullopt;
    std::optional<ImageObject> blocks;
    if (image.valid() && fit->blockFactor) blocks = averageBlocks(image, fit->blockFactor);
    return paneOf(blocks ? *blocks : image, *fit, background);
}

}  // namespace tesselon

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

std::optional<ImageObject> fitImageToBox(const ImageObject& image, int boxWidth, int boxHeight, double scaleX,
                                         double scaleY, uint32_t background) {
    const int bw = roundHalfAway(boxWidth * scaleX);
    const int bh = roundHalfAway(boxHeight * scaleY);
    if (bw <= 0 || bh <= 0 || bw > kMaxImageDimension || bh > kMaxImageDimension) return std::nullopt;

    // Single precision on purpose: the sizes come out exactly as the panes always had them.
    float w = float(image.width);
    float h = float(image.height);
    if (w > float(bw)) {
        const float f = float(double(bw) / double(w));
        w *= f;
        h *= f;
    }
    if (h > float(bh)) {
        const float f = float(double(bh) / double(h));
        w *= f;
        h *= f;
    }
    std::optional<ImageObject> shrunk;
    const ImageObject* shown = &image;
    if (image.valid()) {
        const int nw = roundHalfAway(w) < 1 ? 1 : roundHalfAway(w);
        const int nh = roundHalfAway(h) < 1 ? 1 : roundHalfAway(h);
        if (nw != image.width || nh != image.height) {
            // Blocks first where the shrink is large enough that the smooth resize still
            // halves the result or more.
            const int factor = std::min(image.width / nw, image.height / nh) / 2;
            std::optional<ImageObject> blocks;
            if (factor >= 2) blocks = averageBlocks(image, factor);
            shrunk = resizedImage(blocks ? *blocks : image, nw, nh);
            if (shrunk) shown = &*shrunk;
        }
    }

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

}  // namespace tesselon

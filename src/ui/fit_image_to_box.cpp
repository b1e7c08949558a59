#include "ui/fit_image_to_box.h"

#include "runtime/drawing/raster_drawing.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"

namespace tesselon {

namespace {

int roundHalfAway(double v) { return int(v < 0 ? v - 0.5 : v + 0.5); }

}  // namespace

std::optional<ImageObject> fitImageToBox(ImageObject& image, int boxWidth, int boxHeight, double scaleX,
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
    if (image.valid()) {
        const int nw = roundHalfAway(w) < 1 ? 1 : roundHalfAway(w);
        const int nh = roundHalfAway(h) < 1 ? 1 : roundHalfAway(h);
        resizeImage(image, nw, nh);
    }

    std::optional<ImageObject> pane = createImage(bw, bh, 24, background & 0xFFFFFF);
    if (!pane) return std::nullopt;
    if (image.valid()) {
        if (std::optional<RasterDrawing> drawing = RasterDrawing::start(*pane))
            drawing->drawImage(image, bw / 2 - image.width / 2, bh / 2 - image.height / 2);
    }
    return pane;
}

}  // namespace tesselon

#include "processing/filters/rotation_canvas.h"

#include <algorithm>
#include <cmath>

#include "processing/filters/exact_arithmetic.h"
#include "runtime/drawing/raster_drawing.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

RotatedSize rotatedSize(int width, int height, int degrees) {
    const float theta = float(double(degrees) * 6.283185307179586 / 360.0);
    const float cs = float(std::cos(double(theta)));
    const float sn = float(std::sin(double(theta)));
    const float w = float(width), h = float(height);
    // The corners (0, 0), (w cs, w sn), (-h sn, h cs) and their sum, each product
    // rounded to float before the sums.
    const float wcs = rounded(w * cs), wsn = rounded(w * sn);
    const float hsn = rounded(h * sn), hcs = rounded(h * cs);
    const float xs[] = {0.0f, wcs, -hsn, wcs - hsn};
    const float ys[] = {0.0f, wsn, hcs, wsn + hcs};
    const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
    const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
    return RotatedSize{int(roundHalfAwayFromZero(double(*maxX - *minX))),
                       int(roundHalfAwayFromZero(double(*maxY - *minY)))};
}

std::optional<ImageObject> makeRotationCanvas(int width, int height, int degrees, uint32_t colour, bool transparent) {
    if (width < 0 || height < 0 || width > kMaxImageDimension || height > kMaxImageDimension) return std::nullopt;
    const RotatedSize size = rotatedSize(width, height, degrees);
    if (!transparent) return createImage(size.width, size.height, 24, colour & 0x00FFFFFFu);
    std::optional<ImageObject> canvas = createImage(size.width, size.height, 32, kTransparentFill);
    if (!canvas) return std::nullopt;
    // The default mode writes the colour bytes only, so the canvas stays transparent.
    std::optional<RasterDrawing> drawing = RasterDrawing::start(*canvas);
    if (!drawing) return std::nullopt;
    drawing->box(0, 0, size.width, size.height, colour);
    return canvas;
}

}  // namespace tesselon

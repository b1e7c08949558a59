// Fitting an image into a preview pane: shrunk to fit, never enlarged, centred on a
// plain background of the pane's size.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// The pane is boxWidth x boxHeight in 96-dpi units, i.e. round(boxWidth x scaleX) x
// round(boxHeight x scaleY) pixels. The result is a 24-bit image of the pane's size
// filled with `background` (0x00BBGGRR) with a copy of `image` centred on it, shrunk to
// fit with its proportions kept (a large shrink averages blocks of pixels first, then
// resizes smoothly). An image with transparency is laid over a checkerboard,
// so its transparent parts show as such. Empty when the pane has no pixels or memory
// runs out; an image that cannot be resized is drawn as it is.
std::optional<ImageObject> fitImageToBox(const ImageObject& image, int boxWidth, int boxHeight, double scaleX,
                                         double scaleY, uint32_t background);

// How fitImageToBox fits an image of width x height: the pane's pixels, the size the
// image is shrunk to, and the block average that comes first (0: none).
struct PaneFit {
    int paneWidth = 0, paneHeight = 0;
    int width = 0, height = 0;
    int blockFactor = 0;
};
std::optional<PaneFit> paneFitFor(int width, int height, int boxWidth, int boxHeight, double scaleX, double scaleY);

// The pane of `fit` showing `image`: the whole image, or its block average when the fit
// has one, resized smoothly to the fitted size.
std::optional<ImageObject> paneOf(const ImageObject& image, const PaneFit& fit, uint32_t background);

}  // namespace tesselon

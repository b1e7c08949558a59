// The display's scale against 96-dpi units.
#pragma once

namespace tesselon {

struct ScreenScale {
    double x = 1.0;
    double y = 1.0;
};

// Qt lays windows out in device-independent pixels already; the scale is the primary
// screen's device pixel ratio, used to size pixel buffers such as the interface images
// and the preview panes. 1.0 without a screen.
ScreenScale readScreenScale();

}  // namespace tesselon

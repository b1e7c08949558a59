// What a pass that moves pixels does to their colours on the way.
#pragma once

namespace tesselon {

enum class PixelTone {
    AsIs,  // each pixel keeps its colour
    // Each pixel becomes the grey that applyGreyScale gives it, its alpha kept, so that
    // the grey scale and the move make one pass over the picture instead of two.
    Grey,
};

}  // namespace tesselon

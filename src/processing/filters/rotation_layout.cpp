#include "processing/filters/rotation_layout.h"

#include "processing/filters/rotation_canvas.h"

namespace tesselon {

RotationLayout rotationLayout(int width, int height, int degrees) {
    // The canvas request leaves room around the source whatever its orientation.
    const int requestWidth = width > height ? width + 6 : height + 6;
    const int requestHeight = width > height ? width + 8 : height + 6;
    const RotatedSize canvas = rotatedSize(requestWidth, requestHeight, degrees);
    const RotatedSize turned = rotatedSize(width, height, degrees);
    RotationLayout layout;
    layout.canvasWidth = canvas.width;
    layout.canvasHeight = canvas.height;
    layout.placeX = canvas.width / 2 - width / 2;
    layout.placeY = canvas.height / 2 - height / 2;
    layout.centreX = canvas.width * 0.5;
    layout.centreY = canvas.height * 0.5;
    layout.grabX = canvas.width / 2 - turned.width / 2 - kRotationFrame;
    layout.grabY = canvas.height / 2 - turned.height / 2 - kRotationFrame;
    layout.resultWidth = turned.width + 2 * kRotationFrame;
    layout.resultHeight = turned.height + 2 * kRotationFrame;
    return layout;
}

}  // namespace tesselon

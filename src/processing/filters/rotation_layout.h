// Where everything lies when an image is turned over a background.
//
// The picture is defined by two canvases of the same size: the source is placed in the
// middle of the first, the first is drawn turned about the centre of the second, and the
// result is cut out of the middle of the second, three pixels larger than the turned
// source on every side.
#pragma once

namespace tesselon {

struct RotationLayout {
    int canvasWidth = 0;   // both canvases: the turned size of the canvas request
    int canvasHeight = 0;
    int placeX = 0;        // the source's top-left corner on the first canvas
    int placeY = 0;
    double centreX = 0;    // the turning centre on the second canvas
    double centreY = 0;
    int grabX = 0;         // the result's top-left corner on the second canvas
    int grabY = 0;
    int resultWidth = 0;   // the turned size of the source plus the frame
    int resultHeight = 0;
};

// Three pixels of background on every side of the turned source.
constexpr int kRotationFrame = 3;

// For a source of width x height turned by degrees. Sizes from 1 to 32767.
RotationLayout rotationLayout(int width, int height, int degrees);

}  // namespace tesselon

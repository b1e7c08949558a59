// Anti-aliased path drawing on an image: text outlines, boxes and lines filled or
// stroked with a colour that may be partly transparent, and images drawn under a
// rotation.
//
// A VectorDrawing renders into a cairo surface made from the image and writes the
// result back into the image's own pixels when finished or destroyed. Units are
// pixels: the user space is the image's pixel grid, pixel (i, j) covering the square
// from (i, j) to (i + 1, j + 1), so a box from (2, 2) to (3, 3) fills exactly that
// pixel, and an image drawn at an integer position lands on whole pixels.
//
// Text goes through a TextMeasurer, so what textWidth and textHeight report is what a
// TextMeasurer on any thread reports for the same font and size. The object belongs to
// the thread that started it; other threads draw on other images with their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/drawing/cairo_image.h"
#include "runtime/drawing/dash_pattern.h"
#include "runtime/drawing/font.h"
#include "runtime/drawing/text_measurer.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

class VectorDrawing {
public:
    // Empty when the image is not a valid 24- or 32-bit bitmap or the surface cannot be made.
    static std::optional<VectorDrawing> start(ImageObject& image);

    ~VectorDrawing();
    VectorDrawing(VectorDrawing&&) noexcept = default;
    VectorDrawing& operator=(VectorDrawing&&) = delete;
    VectorDrawing(const VectorDrawing&) = delete;
    VectorDrawing& operator=(const VectorDrawing&) = delete;

    // Writes the drawing into the image and releases the surface; later calls do
    // nothing. False when there was nothing left to finish.
    bool finish();
    bool active() const { return cr_ != nullptr; }

    double outputWidth() const { return width_; }
    double outputHeight() const { return height_; }

    // The font's face and style at an em size of pixelSize pixels (the points it was
    // loaded with play no part). False for a size that is not a positive number.
    bool setFont(const Font& font, double pixelSize);

    // Starts a new figure at (x, y).
    void movePathCursor(double x, double y);
    double pathCursorX() const { return cursorX_; }
    double pathCursorY() const { return cursorY_; }
    // A straight segment from the cursor to (x, y), which becomes the cursor.
    void addPathLine(double x, double y);
    // A closed rectangle; the cursor ends at (x, y). A negative size draws the
    // rectangle the other way round, which matters to the winding rule.
    void addPathBox(double x, double y, double width, double height);
    void closePath();
    // The outline of the text with its layout box's top-left corner at the cursor;
    // the cursor then advances by the text's layout width.
    void addPathText(const std::string& text);

    // See TextMeasureFlags. 0 without a font.
    double textWidth(const std::string& text, uint32_t flags = kTextLayout);
    double textHeight(const std::string& text, uint32_t flags = kTextLayout);

    // Colour 0xAABBGGRR for later strokes and fills.
    void setSourceColour(uint32_t colour);

    // Strokes the path with the source colour (see makeDashPattern for the dash rules)
    // and clears it unless kPathPreserve is given.
    void customDashStroke(double width, const std::vector<double>& lengths, uint32_t flags, double offset = 0);
    // Fills the path with the source colour, non-zero winding with kPathWinding and
    // even-odd otherwise, and clears it unless kPathPreserve is given.
    void fillPath(uint32_t flags = 0);

    // Draws the image with its top-left corner at the cursor, at its own size, its
    // opacity multiplied by alpha / 255 (clamped to 0..255); the cursor then moves by
    // the image's width and height.
    void drawVectorImage(const ImageObject& image, int alpha);

    // Rotates later drawing by degrees about (x, y); positive angles turn clockwise on
    // the image. The path already built stays where it is.
    void rotateCoordinates(double x, double y, double degrees);

private:
    VectorDrawing(ImageObject& image, CairoSurface surface, CairoContext cr);
    void ensureCurrentPoint();

    ImageObject* image_;
    CairoSurface surface_;
    CairoContext cr_;
    TextMeasurer text_;
    double width_;
    double height_;
    double cursorX_ = 0;
    double cursorY_ = 0;
};

}  // namespace tesselon

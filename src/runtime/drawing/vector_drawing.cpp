#include "runtime/drawing/vector_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "runtime/drawing/colour.h"

namespace tesselon {

namespace {

bool finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

}  // namespace

std::optional<VectorDrawing> VectorDrawing::start(ImageObject& image) {
    CairoSurface surface = surfaceFromImage(image);
    if (!surface)
        return std::nullopt;
    CairoContext cr(cairo_create(surface.get()));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    return VectorDrawing(image, std::move(surface), std::move(cr));
}

VectorDrawing::VectorDrawing(ImageObject& image, CairoSurface surface, CairoContext cr)
    : image_(&image), surface_(std::move(surface)), cr_(std::move(cr)), width_(image.width), height_(image.height) {
    // The user space stays the identity: cairo's pixel (i, j) already spans (i, j) to
    // (i + 1, j + 1), which is where a pixel-centred grid shifted by (-0.5, -0.5) puts
    // it, so boxes and images at integer positions land on whole pixels.
    cairo_t* c = cr_.get();
    cairo_set_antialias(c, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    cairo_set_line_width(c, 1.0);
    cairo_set_source_rgba(c, 0, 0, 0, 1);
    cairo_new_path(c);
}

VectorDrawing::~VectorDrawing() {
    finish();
}

bool VectorDrawing::finish() {
    if (!cr_)
        return false;
    cr_.reset();
    writeSurfaceToImage(surface_.get(), *image_);
    surface_.reset();
    return true;
}

bool VectorDrawing::setFont(const Font& font, double pixelSize) {
    return text_.setFont(font, pixelSize);
}

void VectorDrawing::ensureCurrentPoint() {
    if (!cairo_has_current_point(cr_.get()))
        cairo_move_to(cr_.get(), cursorX_, cursorY_);
}

void VectorDrawing::movePathCursor(double x, double y) {
    if (!cr_ || !finite(x, y))
        return;
    cairo_move_to(cr_.get(), x, y);
    cursorX_ = x;
    cursorY_ = y;
}

void VectorDrawing::addPathLine(double x, double y) {
    if (!cr_ || !finite(x, y))
        return;
    ensureCurrentPoint();
    cairo_line_to(cr_.get(), x, y);
    cursorX_ = x;
    cursorY_ = y;
}

void VectorDrawing::addPathBox(double x, double y, double width, double height) {
    if (!cr_ || !finite(x, y) || !finite(width, height))
        return;
    cairo_rectangle(cr_.get(), x, y, width, height);
    cursorX_ = x;
    cursorY_ = y;
}

void VectorDrawing::closePath() {
    if (!cr_ || !cairo_has_current_point(cr_.get()))
        return;
    cairo_close_path(cr_.get());
    cairo_get_current_point(cr_.get(), &cursorX_, &cursorY_);
}

void VectorDrawing::addPathText(const std::string& text) {
    if (!cr_ || !text_.hasFont())
        return;
    cairo_move_to(cr_.get(), cursorX_, cursorY_);
    text_.appendPath(cr_.get(), text);
    cursorX_ += text_.layoutBox(text).width;
    cairo_move_to(cr_.get(), cursorX_, cursorY_);
}

double VectorDrawing::textWidth(const std::string& text, uint32_t flags) {
    return text_.width(text, flags);
}

double VectorDrawing::textHeight(const std::string& text, uint32_t flags) {
    return text_.height(text, flags);
}

void VectorDrawing::setSourceColour(uint32_t colour) {
    if (!cr_)
        return;
    cairo_set_source_rgba(cr_.get(), red(colour) / 255.0, green(colour) / 255.0, blue(colour) / 255.0,
                          alpha(colour) / 255.0);
}

void VectorDrawing::customDashStroke(double width, const std::vector<double>& lengths, uint32_t flags, double offset) {
    if (!cr_)
        return;
    cairo_t* c = cr_.get();
    if (std::isfinite(width) && width > 0) {
        const DashPattern dash = makeDashPattern(width, lengths, flags, offset);
        cairo_save(c);
        cairo_set_line_width(c, width);
        cairo_set_line_cap(c, (flags & kPathRoundEnd)    ? CAIRO_LINE_CAP_ROUND
                              : (flags & kPathSquareEnd) ? CAIRO_LINE_CAP_SQUARE
                                                         : CAIRO_LINE_CAP_BUTT);
        cairo_set_dash(c, dash.lengths.data(), int(dash.lengths.size()), dash.offset);
        cairo_stroke_preserve(c);
        cairo_restore(c);
    }
    if (!(flags & kPathPreserve))
        cairo_new_path(c);
}

void VectorDrawing::fillPath(uint32_t flags) {
    if (!cr_)
        return;
    cairo_t* c = cr_.get();
    cairo_set_fill_rule(c, (flags & kPathWinding) ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill_preserve(c);
    if (!(flags & kPathPreserve))
        cairo_new_path(c);
}

void VectorDrawing::drawVectorImage(const ImageObject& image, int alpha) {
    if (!cr_)
        return;
    CairoSurface source = surfaceFromImage(image);
    if (!source)
        return;
    cairo_t* c = cr_.get();
    cairo_save(c);
    cairo_set_source_surface(c, source.get(), cursorX_, cursorY_);
    cairo_pattern_t* pattern = cairo_get_source(c);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_NONE);
    cairo_paint_with_alpha(c, std::clamp(alpha, 0, 255) / 255.0);
    cairo_restore(c);
    cursorX_ += image.width;
    cursorY_ += image.height;
    cairo_move_to(c, cursorX_, cursorY_);
}

void VectorDrawing::rotateCoordinates(double x, double y, double degrees) {
    if (!cr_ || !finite(x, y) || !std::isfinite(degrees))
        return;
    cairo_t* c = cr_.get();
    cairo_translate(c, x, y);
    // With y pointing down, cairo's positive angles already turn clockwise.
    cairo_rotate(c, std::fmod(degrees, 360.0) * std::numbers::pi / 180.0);
    cairo_translate(c, -x, -y);
}

}  // namespace tesselon

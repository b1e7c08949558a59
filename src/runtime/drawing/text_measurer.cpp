#include "runtime/drawing/text_measurer.h"

#include <cmath>
#include <optional>

#include "runtime/drawing/cairo_image.h"
#include "runtime/drawing/pango_text.h"

namespace tesselon {

struct TextMeasurer::State {
    PangoContextPtr context;
    PangoLayoutPtr layout;
    // Outlines are built here to take their bounds; nothing is ever drawn on it. It is
    // unbounded because cairo leaves out of a path every glyph lying more than ten ems
    // outside the target surface, which on a small surface cut long lines short.
    CairoSurface scratch;
    CairoContext scratchCr;
    double size = 0;
    bool hasFont = false;
    std::string text;  // what the layout holds
    std::optional<TextBox> ink;  // of that text

    PangoLayout* layoutFor(const std::string& wanted) {
        if (!hasFont || !layout)
            return nullptr;
        if (wanted != text) {
            text = wanted;
            ink.reset();
            const std::string valid = validUtf8(wanted);
            pango_layout_set_text(layout.get(), valid.data(), int(valid.size()));
        }
        return layout.get();
    }
};

namespace {

TextBox toBox(const PangoRectangle& r) {
    return {double(r.x) / PANGO_SCALE, double(r.y) / PANGO_SCALE, double(r.width) / PANGO_SCALE,
            double(r.height) / PANGO_SCALE};
}

}  // namespace

TextMeasurer::TextMeasurer() : state_(std::make_unique<State>()) {
    state_->context = newTextContext();
    if (state_->context)
        state_->layout.reset(pango_layout_new(state_->context.get()));
    state_->scratch.reset(cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr));
    state_->scratchCr.reset(cairo_create(state_->scratch.get()));
    if (cairo_status(state_->scratchCr.get()) != CAIRO_STATUS_SUCCESS)
        state_->layout.reset();
}

TextMeasurer::~TextMeasurer() = default;
TextMeasurer::TextMeasurer(TextMeasurer&&) noexcept = default;
TextMeasurer& TextMeasurer::operator=(TextMeasurer&&) noexcept = default;

bool TextMeasurer::setFont(const Font& font, double pixelSize) {
    if (!state_ || !state_->layout || !std::isfinite(pixelSize) || pixelSize <= 0 || pixelSize >= 100000)
        return false;
    FontDescriptionPtr description = describeFont(font, pixelSize);
    AttrListPtr attributes = decorationAttributes(font);
    pango_layout_set_font_description(state_->layout.get(), description.get());
    pango_layout_set_attributes(state_->layout.get(), attributes.get());
    state_->size = pixelSize;
    state_->hasFont = true;
    state_->ink.reset();
    return true;
}

bool TextMeasurer::hasFont() const {
    return state_ && state_->hasFont;
}

double TextMeasurer::fontSize() const {
    return hasFont() ? state_->size : 0;
}

TextBox TextMeasurer::layoutBox(const std::string& text) {
    PangoLayout* layout = state_ ? state_->layoutFor(text) : nullptr;
    if (!layout)
        return {};
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return toBox(logical);
}

// The bounds of the very outline that appendPath draws, decorations included, rather
// than pango's ink rectangle, which spans strike-out lines wider than they are drawn.
TextBox TextMeasurer::inkBox(const std::string& text) {
    PangoLayout* layout = state_ ? state_->layoutFor(text) : nullptr;
    if (!layout)
        return {};
    if (!state_->ink) {
        cairo_t* cr = state_->scratchCr.get();
        cairo_new_path(cr);
        cairo_move_to(cr, 0, 0);
        pango_cairo_layout_path(cr, layout);
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_path_extents(cr, &x1, &y1, &x2, &y2);
        cairo_new_path(cr);
        state_->ink = (x2 > x1 || y2 > y1) ? TextBox{x1, y1, x2 - x1, y2 - y1} : TextBox{};
    }
    return *state_->ink;
}

double TextMeasurer::ascent(const std::string& text) {
    PangoLayout* layout = state_ ? state_->layoutFor(text) : nullptr;
    if (!layout)
        return 0;
    return double(pango_layout_get_baseline(layout)) / PANGO_SCALE;
}

double TextMeasurer::width(const std::string& text, uint32_t flags) {
    if (flags & kTextOffset)
        return inkBox(text).x;
    if (flags & kTextVisible)
        return inkBox(text).width;
    return layoutBox(text).width;
}

double TextMeasurer::height(const std::string& text, uint32_t flags) {
    if (flags & kTextBaseline)
        return ascent(text);
    if (flags & kTextOffset)
        return inkBox(text).y;
    if (flags & kTextVisible)
        return inkBox(text).height;
    return layoutBox(text).height;
}

bool TextMeasurer::appendPath(cairo_t* cr, const std::string& text) {
    PangoLayout* layout = state_ ? state_->layoutFor(text) : nullptr;
    if (!layout || !cr)
        return false;
    pango_cairo_layout_path(cr, layout);
    return true;
}

}  // namespace tesselon

#include "runtime/drawing/pango_text.h"

namespace tesselon {

namespace {

// The font map of one thread, released when the thread ends.
class ThreadFontMap {
public:
    ThreadFontMap() : map_(pango_cairo_font_map_new()) {}
    ~ThreadFontMap() {
        if (map_)
            g_object_unref(map_);
    }
    ThreadFontMap(const ThreadFontMap&) = delete;
    ThreadFontMap& operator=(const ThreadFontMap&) = delete;
    PangoFontMap* get() const { return map_; }

private:
    PangoFontMap* map_;
};

PangoFontMap* threadFontMap() {
    thread_local ThreadFontMap map;
    return map.get();
}

}  // namespace

PangoContextPtr newTextContext() {
    PangoFontMap* map = threadFontMap();
    if (!map)
        return nullptr;
    PangoContextPtr context(pango_font_map_create_context(map));
    if (!context)
        return nullptr;
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context.get(), options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context.get(), FALSE);
    return context;
}

FontDescriptionPtr describeFont(const Font& font, double pixelSize) {
    FontDescriptionPtr description(pango_font_description_new());
    pango_font_description_set_family(description.get(), font.family.empty() ? font.face.c_str() : font.family.c_str());
    pango_font_description_set_weight(description.get(), font.weight >= 700 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description.get(), pixelSize * PANGO_SCALE);
    return description;
}

AttrListPtr decorationAttributes(const Font& font) {
    AttrListPtr list(pango_attr_list_new());
    if (font.underline)
        pango_attr_list_insert(list.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeOut)
        pango_attr_list_insert(list.get(), pango_attr_strikethrough_new(TRUE));
    return list;
}

std::string validUtf8(const std::string& text) {
    if (g_utf8_validate(text.data(), gssize(text.size()), nullptr))
        return text;
    gchar* fixed = g_utf8_make_valid(text.data(), gssize(text.size()));
    std::string result(fixed);
    g_free(fixed);
    return result;
}

}  // namespace tesselon

// Pango set-up shared by text measuring and text drawing, so both lay text out alike.
#pragma once

#include <pango/pangocairo.h>

#include <memory>
#include <string>

#include "runtime/drawing/font.h"

namespace tesselon {

struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
struct AttrListDeleter {
    void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};
using PangoContextPtr = std::unique_ptr<PangoContext, GObjectDeleter>;
using PangoLayoutPtr = std::unique_ptr<PangoLayout, GObjectDeleter>;
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;
using AttrListPtr = std::unique_ptr<PangoAttrList, AttrListDeleter>;

// A new context on the calling thread's own font map (pango font maps must not be
// shared between threads), with unhinted outlines and unrounded glyph positions so
// that sizes scale linearly and do not depend on where or how the text is drawn.
PangoContextPtr newTextContext();

// The font's face and style with an em size of pixelSize user units.
FontDescriptionPtr describeFont(const Font& font, double pixelSize);
// Underline and strike-out, which pango keeps apart from the font description.
AttrListPtr decorationAttributes(const Font& font);

// Valid UTF-8 for pango: invalid bytes become U+FFFD instead of a warning and a cut text.
std::string validUtf8(const std::string& text);

}  // namespace tesselon

// Text measuring without an image to draw on, laid out exactly as VectorDrawing draws.
//
// A measurer works on the font map of the thread that made it and must stay on that
// thread. It keeps one layout and re-lays it out only when the text or font changes,
// so measuring many strings costs little more than shaping them.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/drawing/font.h"

namespace tesselon {

enum TextMeasureFlags : uint32_t {
    kTextLayout = 0,     // the layout box: advance width (trailing spaces counted), line height
    kTextVisible = 2,    // the ink bounds of the text's outline
    kTextOffset = 4,     // the distance from the cursor to the ink bounds
    kTextBaseline = 8,   // height only: the ascent of the current font
};

// A rectangle relative to the top-left corner of the text's layout box.
struct TextBox {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

class TextMeasurer {
public:
    TextMeasurer();
    ~TextMeasurer();
    TextMeasurer(TextMeasurer&&) noexcept;
    TextMeasurer& operator=(TextMeasurer&&) noexcept;
    TextMeasurer(const TextMeasurer&) = delete;
    TextMeasurer& operator=(const TextMeasurer&) = delete;

    // The font's face and style at an em size of pixelSize. False (and the previous
    // font kept) for a size that is not a positive number below 100000.
    bool setFont(const Font& font, double pixelSize);
    bool hasFont() const;
    double fontSize() const;

    TextBox layoutBox(const std::string& text);
    TextBox inkBox(const std::string& text);
    double ascent(const std::string& text = std::string());

    // Measurements by flags (see TextMeasureFlags); 0 without a font.
    double width(const std::string& text, uint32_t flags = kTextLayout);
    double height(const std::string& text, uint32_t flags = kTextLayout);

    // Appends the outline of the text to cr's path with the layout box's top-left
    // corner at cr's current point. False without a font.
    bool appendPath(cairo_t* cr, const std::string& text);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tesselon

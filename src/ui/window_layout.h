// Windows described as data: each control's number, kind, place, caption, style, font,
// colours and tooltip, in creation order. The builder turns a table into widgets.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "ui/control_types.h"

namespace tesselon {

// Where a control lives: the window (parent 0), a panel's tab page or a container.
struct ControlParent {
    int control = 0;
    int tab = -1;  // the tab page when `control` is a panel
};

struct ControlRect {
    int x = 0, y = 0, width = 0, height = 0;  // 96-dpi units in the parent's client area
};

struct ControlColours {
    int64_t back = kSystemColour;  // 0x00BBGGRR
    int64_t text = kSystemColour;
};

struct ControlRange {
    int minimum = 0, maximum = 0;
};

struct ControlSpec {
    int id = 0;
    ControlKind kind = ControlKind::Text;
    ControlParent parent;
    ControlRect rect;
    // The control's name. When `captioned`, it is also the language key of the caption.
    const char* name = "";
    bool captioned = false;
    unsigned style = kStyleNone;
    FontSpec font;
    ControlColours colours;
    // The tooltip's language key is the name followed by "_ToolTip".
    bool tooltip = false;
    int image = 0;  // interface image shown by an image button or image control
    ControlRange range;
    // What assistive technology announces when neither the caption nor the tooltip
    // names the control (image controls, trackbars, text fields).
    const char* spokenName = nullptr;

    // The tables read as one chain per control: control(...).withCaption().withFont(...)
    constexpr ControlSpec withCaption() const { return with([](ControlSpec& c) { c.captioned = true; }); }
    constexpr ControlSpec withStyle(unsigned s) const { return with([s](ControlSpec& c) { c.style = s; }); }
    constexpr ControlSpec withFont(FontSpec f) const { return with([f](ControlSpec& c) { c.font = f; }); }
    constexpr ControlSpec withColours(int64_t back, int64_t text) const {
        return with([back, text](ControlSpec& c) { c.colours = ControlColours{back, text}; });
    }
    constexpr ControlSpec withTooltip() const { return with([](ControlSpec& c) { c.tooltip = true; }); }
    constexpr ControlSpec showing(int n) const { return with([n](ControlSpec& c) { c.image = n; }); }
    constexpr ControlSpec withRange(int lo, int hi) const {
        return with([lo, hi](ControlSpec& c) { c.range = ControlRange{lo, hi}; });
    }
    constexpr ControlSpec spokenAs(const char* n) const { return with([n](ControlSpec& c) { c.spokenName = n; }); }

private:
    template <class F>
    constexpr ControlSpec with(F change) const {
        ControlSpec copy = *this;
        change(copy);
        return copy;
    }
};

constexpr ControlSpec control(int id, ControlKind kind, ControlParent parent, ControlRect rect, const char* name) {
    ControlSpec spec;
    spec.id = id;
    spec.kind = kind;
    spec.parent = parent;
    spec.rect = rect;
    spec.name = name;
    return spec;
}

// Window 1 in creation order, and the caption keys of panel 5's four tabs.
std::span<const ControlSpec> mainWindowLayout();
const std::array<const char*, 4>& mainPanelTabKeys();

// Window 2.
std::span<const ControlSpec> progressWindowLayout();

}  // namespace tesselon

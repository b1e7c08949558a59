// Fonts: a face resolved through fontconfig, a size and a style.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesselon {

enum FontStyle : uint32_t {
    kFontUnderline = 0x04,
    kFontStrikeOut = 0x08,
    kFontHighQuality = 0x10,  // anti-aliased rendering where the font is shown natively
    kFontBold = 0x100,
    kFontItalic = 0x200,
};

// Dots per inch assumed when the display cannot be measured.
constexpr int kDefaultDpi = 96;

struct Font {
    std::string face;    // as requested
    std::string family;  // what fontconfig resolved the face to, e.g. "Liberation Sans" for "Arial"
    int points = 0;
    int dpi = kDefaultDpi;
    // Negative character height in pixels (the em size), as a native font is created.
    int nativeHeight = 0;
    int weight = 400;    // 700 when bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool highQuality = false;

    uint32_t style() const;
    // Em size in pixels at the dpi the font was loaded for.
    int pixelSize() const { return nativeHeight < 0 ? -nativeHeight : nativeHeight; }
};

// -(points * dpi / 72), rounded half away from zero as an integer multiply-divide does.
// Empty when the result does not fit an int or dpi is not positive.
std::optional<int> nativeFontHeight(int points, int dpi);

// Resolves the face through fontconfig. Empty when no font can be found or the
// arguments cannot make a font (a face with a NUL in it, a dpi below 1, a size whose
// height overflows). An unknown face gets fontconfig's substitute, as native fonts do.
std::optional<Font> loadFont(const std::string& face, int points, uint32_t style, int dpi);

}  // namespace tesselon

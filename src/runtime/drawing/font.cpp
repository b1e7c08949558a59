#include "runtime/drawing/font.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace tesselon {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

std::optional<std::string> resolveFamily(const std::string& face, bool bold, bool italic) {
    Pattern request(FcPatternCreate());
    if (!request)
        return std::nullopt;
    FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddInteger(request.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(request.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (!FcConfigSubstitute(nullptr, request.get(), FcMatchPattern))
        return std::nullopt;
    FcDefaultSubstitute(request.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, request.get(), &result));
    if (!match)
        return std::nullopt;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch || !family || !*family)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(family));
}

}  // namespace

uint32_t Font::style() const {
    uint32_t flags = 0;
    if (weight >= 700)
        flags |= kFontBold;
    if (italic)
        flags |= kFontItalic;
    if (underline)
        flags |= kFontUnderline;
    if (strikeOut)
        flags |= kFontStrikeOut;
    if (highQuality)
        flags |= kFontHighQuality;
    return flags;
}

std::optional<int> nativeFontHeight(int points, int dpi) {
    if (dpi < 1)
        return std::nullopt;
    const int64_t product = int64_t(points) * dpi;
    const int64_t magnitude = (std::llabs(product) + 36) / 72;
    const int64_t height = product < 0 ? magnitude : -magnitude;
    if (height < std::numeric_limits<int>::min() || height > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(height);
}

std::optional<Font> loadFont(const std::string& face, int points, uint32_t style, int dpi) {
    if (face.find('\0') != std::string::npos)
        return std::nullopt;
    const std::optional<int> height = nativeFontHeight(points, dpi);
    if (!height)
        return std::nullopt;
    Font font;
    font.face = face;
    font.points = points;
    font.dpi = dpi;
    font.nativeHeight = *height;
    font.weight = (style & kFontBold) ? 700 : 400;
    font.italic = (style & kFontItalic) != 0;
    font.underline = (style & kFontUnderline) != 0;
    font.strikeOut = (style & kFontStrikeOut) != 0;
    font.highQuality = (style & kFontHighQuality) != 0;
    std::optional<std::string> family = resolveFamily(face, font.weight >= 700, font.italic);
    if (!family)
        return std::nullopt;
    font.family = std::move(*family);
    return font;
}

}  // namespace tesselon

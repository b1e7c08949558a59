#include "runtime/json/wtf8.h"

#include <cstdint>

namespace tesselon {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one well-formed sequence at text[at] (surrogate halves accepted); returns the
// code point and its length, or a length of 0 when the bytes form no such sequence.
struct Decoded {
    char32_t codePoint = 0;
    size_t length = 0;
};

Decoded decodeAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const size_t left = text.size() - at;
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (left >= 2 && isContinuation(byte(1)))
            return {static_cast<char32_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F)), 2};
        return {};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !isContinuation(byte(1)) || !isContinuation(byte(2))) return {};
        if (lead == 0xE0 && byte(1) < 0xA0) return {};  // overlong
        return {static_cast<char32_t>((lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F)), 3};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !isContinuation(byte(1)) || !isContinuation(byte(2)) || !isContinuation(byte(3)))
            return {};
        if (lead == 0xF0 && byte(1) < 0x90) return {};  // overlong
        if (lead == 0xF4 && byte(1) > 0x8F) return {};  // beyond U+10FFFF
        return {static_cast<char32_t>((lead & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
                                      (byte(3) & 0x3F)),
                4};
    }
    return {};
}

void appendCodePoint(std::string& text, char32_t cp) {
    if (cp < 0x80) {
        text += static_cast<char>(cp);
    } else if (cp < 0x800) {
        text += static_cast<char>(0xC0 | cp >> 6);
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += static_cast<char>(0xE0 | cp >> 12);
        text += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | cp >> 18);
        text += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

char32_t joinSurrogates(char32_t high, char32_t low) { return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00); }

}  // namespace

std::u16string toUtf16(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const Decoded d = decodeAt(text, at);
        if (d.length == 0) {
            units += static_cast<char16_t>(static_cast<unsigned char>(text[at]));
            ++at;
            continue;
        }
        if (d.codePoint >= 0x10000) {
            const char32_t v = d.codePoint - 0x10000;
            units += static_cast<char16_t>(0xD800 + (v >> 10));
            units += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            units += static_cast<char16_t>(d.codePoint);
        }
        at += d.length;
    }
    return units;
}

std::string fromUtf16(std::u16string_view units) {
    std::string text;
    text.reserve(units.size() * 3);
    for (size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        if (isHighSurrogate(unit) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            appendCodePoint(text, joinSurrogates(unit, units[i + 1]));
            ++i;
        } else {
            appendCodePoint(text, unit);
        }
    }
    return text;
}

void appendCodeUnit(std::string& text, char16_t unit) {
    if (isLowSurrogate(unit) && text.size() >= 3) {
        const size_t at = text.size() - 3;
        if (const auto high = surrogateAt(text, at); high && isHighSurrogate(*high)) {
            text.resize(at);
            appendCodePoint(text, joinSurrogates(*high, unit));
            return;
        }
    }
    appendCodePoint(text, unit);
}

std::optional<char16_t> surrogateAt(std::string_view text, size_t at) {
    if (at + 3 > text.size()) return std::nullopt;
    const auto b0 = static_cast<unsigned char>(text[at]);
    const auto b1 = static_cast<unsigned char>(text[at + 1]);
    const auto b2 = static_cast<unsigned char>(text[at + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || !isContinuation(b2)) return std::nullopt;
    return static_cast<char16_t>(0xD000 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
}

}  // namespace tesselon

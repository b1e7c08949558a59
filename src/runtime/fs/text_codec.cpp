#include "runtime/fs/text_codec.h"

namespace tesselon {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t utf8SequenceLength(std::string_view text, size_t pos) {
    if (pos >= text.size()) return 0;
    size_t next = pos;
    const char32_t value = decodeUtf8(text, next);
    const size_t length = next - pos;
    // A replacement character that only stands for a malformed byte is no sequence.
    if (value == kReplacementCharacter && length == 1) return 0;
    if (value >= 0xD800 && value <= 0xDFFF) return 0;
    return length;
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = utf8SequenceLength(text, pos);
        if (length == 0) {
            appendUtf8(out, kReplacementCharacter);
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

char32_t decodeUtf8(std::string_view text, size_t& pos) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementCharacter;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacementCharacter;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(at(pos + i))) {
            ++pos;
            return kReplacementCharacter;
        }
        value = (value << 6) | (at(pos + i) & 0x3F);
    }
    // Overlong forms and values past U+10FFFF could smuggle characters past checks.
    if (value < minimum || value > 0x10FFFF) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return value;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf8ToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t cp = decodeUtf8(text, pos);
        out += cp <= 0xFF ? static_cast<char>(cp) : '?';
    }
    return out;
}

void appendLatin1AsUtf8(std::string& out, std::string_view bytes) {
    for (const char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
}

std::string utf8ToUtf16le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    const auto put = [&out](char32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (size_t pos = 0; pos < text.size();) {
        const char32_t cp = decodeUtf8(text, pos);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

void appendUtf16AsUtf8(std::string& out, const char16_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const char32_t unit = units[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, unit);
        }
    }
}

}  // namespace tesselon

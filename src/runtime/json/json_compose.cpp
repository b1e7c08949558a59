#include "runtime/json/json_compose.h"

#include <charconv>
#include <cmath>
#include <new>

#include "runtime/json/wtf8.h"

namespace tesselon {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void appendUnitEscape(std::string& out, unsigned unit) {
    out += "\\u";
    out += kHexDigits[unit >> 12 & 0xF];
    out += kHexDigits[unit >> 8 & 0xF];
    out += kHexDigits[unit >> 4 & 0xF];
    out += kHexDigits[unit & 0xF];
}

void appendString(std::string& out, std::string_view text) {
    out += '"';
    size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == 0xED) {
            if (const auto unit = surrogateAt(text, at)) {
                appendUnitEscape(out, *unit);
                at += 3;
                continue;
            }
        }
        switch (byte) {
            case 8: out += "\\b"; break;
            case 9: out += "\\t"; break;
            case 10: out += "\\n"; break;
            case 12: out += "\\f"; break;
            case 13: out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (byte < 32)
                    appendUnitEscape(out, byte);
                else
                    out += static_cast<char>(byte);
        }
        ++at;
    }
    out += '"';
}

// "%.10g" as the C library of the platform the files come from writes it: the exponent
// has at least three digits. std::to_chars is used because it ignores the locale, which
// a desktop toolkit may have switched to one with a decimal comma.
void appendFloat(std::string& out, double number) {
    if (!std::isfinite(number)) {
        out += "null";
        return;
    }
    if (number == 0) {
        out += '0';
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 10);
    std::string text(buffer, result.ptr);
    if (const size_t e = text.find('e'); e != std::string::npos) {
        const size_t digits = text.size() - (e + 2);  // after "e" and its sign
        if (digits < 3) text.insert(e + 2, 3 - digits, '0');
    }
    out += text;
}

void appendValue(std::string& out, const JsonValue& value) {
    if (const auto* text = value.asString()) {
        appendString(out, *text);
    } else if (const auto* integer = value.asInteger()) {
        out += std::to_string(*integer);
    } else if (const auto* number = value.asFloat()) {
        appendFloat(out, *number);
    } else if (const auto* flag = value.asBoolean()) {
        out += *flag ? "true" : "false";
    } else if (const auto* array = value.asArray()) {
        out += '[';
        for (size_t i = 0; i < array->size(); ++i) {
            if (i) out += ',';
            appendValue(out, (*array)[i]);
        }
        out += ']';
    } else if (const auto* object = value.asObject()) {
        out += '{';
        bool first = true;
        for (const auto* member : object->ordered()) {
            if (!first) out += ',';
            first = false;
            appendString(out, member->key);
            out += ':';
            appendValue(out, member->value);
        }
        out += '}';
    } else {
        out += "null";
    }
}

}  // namespace

std::string composeJson(const JsonValue& value) {
    try {
        std::string out;
        appendValue(out, value);
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::string composeJson(const JsonDocument& document) { return composeJson(document.root()); }

}  // namespace tesselon

#include "runtime/json/json_parse.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "runtime/json/wtf8.h"

namespace tesselon {

namespace {

constexpr const char* kUnexpectedEnd = "Unexpected end of input";
constexpr const char* kUnexpectedCharacter = "Unexpected character";
constexpr const char* kInvalidNumber = "Invalid numeric value";
constexpr const char* kInvalidEscape = "Invalid escape sequence";
constexpr const char* kMemberNameExpected = "A member name (string) is expected";
constexpr const char* kColonExpected = "Expected a ':' character";
constexpr const char* kOutOfMemory = "Out of memory";
constexpr const char* kTooDeep = "Nesting too deep";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A float text that std::from_chars found out of range: infinity when its magnitude is
// too large, zero when too small, as strtod would give.
double outOfRangeFloat(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    int64_t magnitude = 0;  // decimal exponent of the first significant digit, roughly
    bool seenPoint = false;
    bool seenSignificant = false;
    size_t i = negative ? 1 : 0;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            seenPoint = true;
        } else if (!seenSignificant && text[i] != '0') {
            seenSignificant = true;
            if (!seenPoint) ++magnitude;
        } else if (seenSignificant && !seenPoint) {
            ++magnitude;
        } else if (!seenSignificant && seenPoint) {
            --magnitude;
        }
    }
    if (i < text.size()) {
        ++i;
        const bool negativeExponent = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        int64_t exponent = 0;
        for (; i < text.size(); ++i) exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        magnitude += negativeExponent ? -exponent : exponent;
    }
    const double result = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -result : result;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonParseResult run() {
        JsonDocument document;
        try {
            skipWhitespace();
            if (atEnd()) return errorAt(kUnexpectedEnd);
            if (!parseValue(document.root(), 0)) return error();
            skipWhitespace();
            if (!atEnd()) return errorAt(kUnexpectedCharacter);
            return document;
        } catch (const std::bad_alloc&) {
            return errorAt(kOutOfMemory);
        }
    }

private:
    bool atEnd() const { return at_ >= text_.size(); }
    char current() const { return text_[at_]; }

    void skipWhitespace() {
        while (!atEnd() && (current() == ' ' || current() == '\t' || current() == '\n' || current() == '\r')) ++at_;
    }

    bool fail(const char* message) {
        message_ = message;
        return false;
    }

    // At the end of the text the failure is always the end of input, whatever was expected.
    bool failHere(const char* message) { return fail(atEnd() ? kUnexpectedEnd : message); }

    JsonParseResult errorAt(const char* message) {
        message_ = message;
        return error();
    }

    JsonParseError error() const {
        JsonParseError e;
        e.message = message_;
        size_t lineStart = 0;
        for (size_t i = 0; i < at_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++e.line;
                lineStart = i + 1;
            }
        }
        // Characters are counted as UTF-16 code units: a continuation byte adds nothing,
        // the lead byte of a four-byte sequence adds two.
        for (size_t i = lineStart; i < at_ && i < text_.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text_[i]);
            if ((byte & 0xC0) == 0x80) continue;
            e.position += byte >= 0xF0 && byte <= 0xF4 ? 2 : 1;
        }
        return e;
    }

    bool parseValue(JsonValue& out, int depth) {
        skipWhitespace();
        if (atEnd()) return fail(kUnexpectedEnd);
        switch (current()) {
            case '"': {
                std::string text;
                if (!parseString(text)) return false;
                out = JsonValue::makeString(std::move(text));
                return true;
            }
            case '[': return parseArray(out, depth + 1);
            case '{': return parseObject(out, depth + 1);
            case 't': return parseWord("true", out, JsonValue::makeBoolean(true));
            case 'f': return parseWord("false", out, JsonValue::makeBoolean(false));
            case 'n': return parseWord("null", out, JsonValue());
            default:
                if (current() == '-' || isDigit(current())) return parseNumber(out);
                return fail(kUnexpectedCharacter);
        }
    }

    bool parseWord(std::string_view word, JsonValue& out, JsonValue value) {
        for (char expected : word) {
            if (atEnd() || current() != expected) return failHere(kUnexpectedCharacter);
            ++at_;
        }
        out = std::move(value);
        return true;
    }

    bool requireDigits() {
        if (atEnd() || !isDigit(current())) return failHere(kInvalidNumber);
        while (!atEnd() && isDigit(current())) ++at_;
        return true;
    }

    bool parseNumber(JsonValue& out) {
        const size_t start = at_;
        if (current() == '-') ++at_;
        if (!requireDigits()) return false;
        bool isFloat = false;
        if (!atEnd() && current() == '.') {
            ++at_;
            if (!requireDigits()) return false;
            isFloat = true;
        }
        if (!atEnd() && (current() == 'e' || current() == 'E')) {
            ++at_;
            if (!atEnd() && (current() == '+' || current() == '-')) ++at_;
            if (!requireDigits()) return false;
            isFloat = true;
        }
        const std::string_view text = text_.substr(start, at_ - start);
        if (isFloat) {
            double number = 0;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
            if (result.ec == std::errc::result_out_of_range) number = outOfRangeFloat(text);
            out = JsonValue::makeFloat(number);
        } else {
            const bool negative = text[0] == '-';
            uint64_t magnitude = 0;
            for (char c : text.substr(negative ? 1 : 0)) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
            out = JsonValue::makeInteger(static_cast<int64_t>(negative ? 0 - magnitude : magnitude));
        }
        return true;
    }

    bool parseString(std::string& out) {
        ++at_;  // opening quote
        while (true) {
            if (atEnd()) return fail(kUnexpectedEnd);
            const char c = current();
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c == '\\') {
                ++at_;
                if (!parseEscape(out)) return false;
                continue;
            }
            // A surrogate written out in WTF-8 joins a preceding escaped high surrogate.
            if (const auto unit = surrogateAt(text_, at_)) {
                appendCodeUnit(out, *unit);
                at_ += 3;
                continue;
            }
            out += c;
            ++at_;
        }
    }

    bool parseEscape(std::string& out) {
        if (atEnd()) return fail(kUnexpectedEnd);
        const char c = current();
        ++at_;
        switch (c) {
            case '"':
            case '/':
            case '\\': out += c; return true;
            case 'b': out += '\b'; return true;
            case 'f': out += '\f'; return true;
            case 'n': out += '\n'; return true;
            case 'r': out += '\r'; return true;
            case 't': out += '\t'; return true;
            case 'u': {
                unsigned unit = 0;
                for (int i = 0; i < 4; ++i) {
                    if (atEnd()) return fail(kUnexpectedEnd);
                    const int digit = hexValue(current());
                    if (digit < 0) return fail(kInvalidEscape);
                    unit = unit << 4 | static_cast<unsigned>(digit);
                    ++at_;
                }
                appendCodeUnit(out, static_cast<char16_t>(unit));
                return true;
            }
            default:
                --at_;  // report the letter after the backslash
                return fail(kInvalidEscape);
        }
    }

    bool parseArray(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) return fail(kTooDeep);
        ++at_;
        JsonArray elements;
        skipWhitespace();
        if (atEnd()) return fail(kUnexpectedEnd);
        if (current() == ']') {
            ++at_;
        } else {
            while (true) {
                elements.emplace_back();
                if (!parseValue(elements.back(), depth)) return false;
                skipWhitespace();
                if (atEnd()) return fail(kUnexpectedEnd);
                if (current() == ',') {
                    ++at_;
                    continue;
                }
                if (current() != ']') return fail(kUnexpectedCharacter);
                ++at_;
                break;
            }
        }
        out = JsonValue::makeArray(std::move(elements));
        return true;
    }

    bool parseObject(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) return fail(kTooDeep);
        ++at_;
        JsonObject object;
        skipWhitespace();
        if (atEnd()) return fail(kUnexpectedEnd);
        if (current() == '}') {
            ++at_;
        } else {
            while (true) {
                skipWhitespace();
                if (atEnd() || current() != '"') return failHere(kMemberNameExpected);
                std::string key;
                if (!parseString(key)) return false;
                skipWhitespace();
                if (atEnd() || current() != ':') return failHere(kColonExpected);
                ++at_;
                JsonValue value;
                if (!parseValue(value, depth)) return false;
                object.set(std::move(key), std::move(value));
                skipWhitespace();
                if (atEnd()) return fail(kUnexpectedEnd);
                if (current() == ',') {
                    ++at_;
                    continue;
                }
                if (current() != '}') return fail(kUnexpectedCharacter);
                ++at_;
                break;
            }
        }
        out = JsonValue::makeObject(std::move(object));
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
    const char* message_ = kUnexpectedEnd;
};

}  // namespace

JsonParseResult parseJson(std::string_view text) { return Parser(text).run(); }

}  // namespace tesselon

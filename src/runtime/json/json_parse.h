// Reading JSON text into a document.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "runtime/json/json_value.h"

namespace tesselon {

// Where and why parsing stopped. Lines and positions count from 1; a position counts
// characters (UTF-16 code units) from the start of its line.
struct JsonParseError {
    std::string message;
    int line = 1;
    int position = 1;
};

using JsonParseResult = std::variant<JsonDocument, JsonParseError>;

// Parses text that holds exactly one JSON value of any kind, with optional whitespace
// (space, tab, LF, CR) around it. Parsing stops at the first error, whose message is
// one of "Unexpected end of input", "Unexpected character", "Invalid numeric value",
// "Invalid escape sequence", "A member name (string) is expected", "Expected a ':'
// character", "Out of memory", or "Nesting too deep" for arrays and objects nested more
// than kJsonMaxDepth levels.
//
// String escapes give UTF-16 code units: \u0000 gives code unit 0 inside the string, a
// \u high surrogate followed by a \u low surrogate gives their code point, and a lone
// surrogate is kept in WTF-8. Other bytes pass unchanged. Numbers with a fraction or an
// exponent become floats; others 64-bit integers, wrapping modulo 2^64. A repeated key
// replaces the earlier value, which keeps its place.
JsonParseResult parseJson(std::string_view text);

constexpr int kJsonMaxDepth = 512;

}  // namespace tesselon

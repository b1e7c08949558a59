// Compact JSON text: no spaces, no line breaks, members in the object's chain order.
#pragma once

#include <string>

#include "runtime/json/json_value.h"

namespace tesselon {

// Strings are written as they are held except for the escapes: \b \t \n \f \r, \" and
// \\, and \u00xx (lower-case hex) for the other codes below 32, code 0 included. A lone
// surrogate held in WTF-8 is written as its \udxxx escape so the text stays valid UTF-8
// and reads back as the same code unit; other bytes from 0x80 up pass unchanged.
// Floats use 10 significant digits with a three-digit exponent (1e+010); NaN and the
// infinities become null and a negative zero 0. Empty when memory runs out.
std::string composeJson(const JsonValue& value);
std::string composeJson(const JsonDocument& document);

}  // namespace tesselon

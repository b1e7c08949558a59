// Small operations on text that only look at ASCII characters, so any UTF-8 text passes
// through them unharmed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

// Without leading and trailing spaces (only the space character).
std::string_view trimSpaces(std::string_view text);

// A..Z turned into a..z, or a..z into A..Z; every other byte (UTF-8 sequences
// included) stays as it is.
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);

// The decimal number at the start of the text (after spaces and tabs, with an optional
// sign); nothing when no digit comes first or it does not fit 64 bits.
std::optional<int64_t> leadingNumber(std::string_view text);

}  // namespace tesselon

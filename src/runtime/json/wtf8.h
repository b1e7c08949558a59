// UTF-16 code units carried in UTF-8 strings.
//
// Some texts (the protected FTP password above all) are arbitrary UTF-16 code units,
// which plain UTF-8 cannot hold: code unit 0 and unpaired surrogate halves. They are
// kept in std::string as WTF-8: a lone surrogate is the three-byte sequence its value
// would have in UTF-8 (ED A0..BF xx), and a high surrogate followed by a low one is
// always the four-byte sequence of the code point they form, so every sequence of code
// units has exactly one encoding and converting back and forth loses nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

// The UTF-16 code units of a WTF-8 text. A byte that starts no well-formed sequence
// becomes the code unit of the same value, so any input converts.
std::u16string toUtf16(std::string_view text);

// The WTF-8 text of any sequence of code units.
std::string fromUtf16(std::u16string_view units);

// Appends one code unit; a low surrogate right after an encoded high surrogate is
// joined with it into the four-byte form.
void appendCodeUnit(std::string& text, char16_t unit);

// The code unit of the three-byte surrogate sequence starting at text[at], if one does.
std::optional<char16_t> surrogateAt(std::string_view text, size_t at);

}  // namespace tesselon

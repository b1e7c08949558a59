// Conversions between the UTF-8 strings the program works with and the byte forms
// text files may hold. Strings may carry lone UTF-16 surrogates as three-byte
// sequences (WTF-8); they convert to and from UTF-16 unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselon {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point starting at `pos` and advances `pos` past it. A malformed or
// truncated sequence yields U+FFFD and consumes one byte, so decoding never stalls.
char32_t decodeUtf8(std::string_view text, size_t& pos);

// The length of the well-formed UTF-8 sequence starting at `pos` (shortest form, no
// surrogate, at most U+10FFFF), or 0 when none starts there.
size_t utf8SequenceLength(std::string_view text, size_t pos);

// The text with every byte that starts no well-formed sequence replaced by U+FFFD: a
// file name in any bytes becomes text that strict readers (JSON, terminals) accept.
std::string validUtf8(std::string_view text);

// Appends a code point (surrogates included) in UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

// One byte per character: code points above U+00FF become "?".
std::string utf8ToLatin1(std::string_view text);
void appendLatin1AsUtf8(std::string& out, std::string_view bytes);

// UTF-16 little-endian without a byte-order mark.
std::string utf8ToUtf16le(std::string_view text);
// Appends UTF-8 for a run of UTF-16 code units; a pair is joined into one code point,
// a lone surrogate is kept as it is.
void appendUtf16AsUtf8(std::string& out, const char16_t* units, size_t count);

}  // namespace tesselon

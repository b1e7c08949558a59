// Text for manual pages: escaping for roff and filling a template's placeholders.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Plain text as a roff text line: backslashes and hyphens escaped, and a leading "."
// or "'" kept from being read as a request.
std::string roffEscaped(std::string_view text);

// Every occurrence of `key` in `text` replaced by `value`.
void replaceAll(std::string& text, const std::string& key, const std::string& value);

// The template's whole text, or nothing with a message on standard error.
bool readTemplate(const char* program, const char* path, std::string& text);
// Writes the filled page; false with a message on standard error.
bool writePage(const char* program, const char* path, const std::string& text);

}  // namespace tesselon

// Trimming the blanks users type around names, paths and phrases.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Leading and trailing spaces removed; tabs and other white space stay.
inline std::string trimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace tesselon

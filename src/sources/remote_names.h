// How the names and paths a remote server sends are shown to the user. What the
// program accepts of them is remote/listed_names.h.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// The name as UTF-8 text for the user: bytes that are not UTF-8 become U+FFFD.
std::string displayName(std::string_view bytes);

}  // namespace tesselon

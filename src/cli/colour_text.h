// Colours as a terminal user writes them: "#RRGGBB", "#RGB" or a CSS colour name, in
// any letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tesselon {

// The colour as 0x00RRGGBB; nothing for anything else.
std::optional<uint32_t> parseColour(std::string_view text);

// 0x00RRGGBB as the settings records store colours, 0x00BBGGRR.
int32_t recordColour(uint32_t rgb);

}  // namespace tesselon

// Text from outside (file names, phrases) made safe to print on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Control characters (C0, DEL and C1, such as ESC, BEL and CR) and bytes that start no
// well-formed UTF-8 sequence become visible escapes ("\x1b", "\u009b"), so a file named
// to move the cursor or retitle the terminal is printed, not obeyed.
std::string terminalSafe(std::string_view text);

}  // namespace tesselon

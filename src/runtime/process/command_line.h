// Splitting a command line into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

// Blanks (space, tab, CR, LF) separate arguments; double quotes group blanks into an
// argument and are removed; "" gives an empty argument. There are no escapes.
std::vector<std::string> splitCommandLine(std::string_view text);

}  // namespace tesselon

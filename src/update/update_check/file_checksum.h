// SHA-256 of a file, as the version file writes it.
#pragma once

#include <string>

namespace tesselon {

// 64 lower-case hex digits; empty when the file cannot be read.
std::string sha256OfFile(const std::string& path);

}  // namespace tesselon

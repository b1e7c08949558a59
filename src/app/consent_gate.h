// The disclaimer that must be accepted once per installation folder.
#pragma once

#include <cstdint>
#include <string>

namespace tesselon {

class Frontend;

inline constexpr const char* kConsentFileName = "HayConsentimiento.dat";

// True when the program may go on: the consent file in the program folder holds at
// least 20 bytes, or the user answered Yes (the file is then written, silently
// skipped when it cannot be). False when the user refused.
bool passConsentGate(const std::string& programFolder, Frontend& frontend, int64_t now);

}  // namespace tesselon

// The settings records' default values and the default watermark text.
#pragma once

#include <cstdint>
#include <string>

#include "core/records.h"

namespace tesselon {

// Default FTP server: the loopback host.
inline constexpr const char* kLoopbackHostName = "localhost";

// Assigns every field's default. The FTP user, password and passive flag, the open FTP
// session and the preview flag are left as they are, so loading a file without an
// environment section keeps them.
void resetToDefaults(Settings& settings, const std::string& defaultWatermarkText);

// "Text Sample|over Image|@ YYYY Halvren Labs" with the year of `date`.
std::string buildDefaultWatermarkText(int64_t date);

}  // namespace tesselon

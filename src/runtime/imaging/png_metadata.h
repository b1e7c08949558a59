// The ICC profile of PNG files (the iCCP chunk), through libpng.
#pragma once

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tesselon {

// The profile, or empty when the file has none or its headers cannot be read. Only the
// chunks before the image data are read.
std::string readPngIccProfile(const uint8_t* data, size_t size);

// Adds an RGB profile to the file about to be written; call before png_write_info.
// A profile libpng finds unfit is left out with a warning instead of failing the file.
void writePngIccProfile(png_structp png, png_infop info, const std::string& icc);

}  // namespace tesselon

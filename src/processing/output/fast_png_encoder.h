// PNG for the batch's output: true colour, tuned for speed over the last few percent
// of size, since it runs once per image of every batch.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// 8-bit RGB for 24-bit rows, RGBA (alpha kept) for 32-bit rows. Nothing on failure.
std::optional<std::string> encodeOutputPng(const PixelRows& rows);

}  // namespace tesselon

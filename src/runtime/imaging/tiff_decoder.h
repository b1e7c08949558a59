// TIFF through libtiff's RGBA interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/imaging/codec_registry.h"

namespace tesselon {

bool probeTiff(const uint8_t* data, size_t size);

// The first directory as 32-bit pixels with straight alpha; source depth = samples per
// pixel x bits per sample. Old-style JPEG (6) and the old Deflate code (32946) are refused.
// libtiff's messages are silenced first.
std::optional<ImageObject> decodeTiff(const uint8_t* data, size_t size, const DecodeLimits& limits);

// Turns off libtiff's process-wide error and warning printers; safe to call from any
// thread, any number of times.
void silenceLibtiffMessages();

}  // namespace tesselon

// The fifteen images of the main window's image buttons and image controls, built
// into the program and decoded once at start.
#pragma once

#include <array>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

constexpr int kInterfaceImageCount = 15;

// Image n is at index n - 1. An image that could not be decoded stays invalid.
using InterfaceImages = std::array<ImageObject, kInterfaceImageCount>;

// Decodes the embedded PNG and JPEG data with the registry's decoders and scales each
// image to round(width x scaleX) x round(height x scaleY), halves rounded away from zero.
InterfaceImages decodeInterfaceImages(const CodecRegistry& registry, double scaleX, double scaleY);

// The embedded file behind image n (1..15): several images share one file.
const char* interfaceImageResource(int number);

}  // namespace tesselon

// Encoding images through the registry's encoders and writing them to files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

constexpr int kDefaultSaveQuality = 7;
// Saves at the depth of the data the image was decoded from.
constexpr int kDepthOfSource = -1;

// The 24-bit image a 32-bit one becomes over a white background: each colour byte c
// with alpha a turns into floor((255 * 255 + (c - 255) * a) / 255).
std::optional<ImageObject> flattenOntoWhite(const ImageObject& image);

// The file's bytes as the format's encoder makes them. The depth (after replacing the
// default by the source depth) must be 1, 2, 4, 8, 16, 24 or 32. A 32-bit image reaches
// the encoder's 32-bit operation unchanged when the depth is 32 or a palette depth (1 to
// 8) and the encoder has one; otherwise it is flattened onto white for the 24-bit
// operation. The quality is passed on
// as given, and so are the metadata to embed and the result format (for the encoder
// that writes several). Nothing when the image is invalid, the depth
// is not allowed, no encoder has the format code or lacks the operation needed, or
// encoding fails.
std::optional<std::string> encodeImage(const ImageObject& image, const CodecRegistry& registry,
                                       uint32_t format = kFormatBMP, int quality = kDefaultSaveQuality,
                                       int depth = kDepthOfSource, const EmbeddedMetadata* metadata = nullptr,
                                       const ImageFormat* result = nullptr);

// encodeImage, then the bytes replace the file at `path` in one step: a failure leaves
// no partial file and any earlier file at that path untouched.
bool saveImage(const ImageObject& image, std::string_view path, const CodecRegistry& registry,
               uint32_t format = kFormatBMP, int quality = kDefaultSaveQuality, int depth = kDepthOfSource);

}  // namespace tesselon

// Encoding images with the encoders of the format table and writing them to files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The 24-bit image a 32-bit one becomes over a white background: each colour byte c
// with alpha a turns into floor((255 * 255 + (c - 255) * a) / 255).
std::optional<ImageObject> flattenOntoWhite(const ImageObject& image);

// The file's bytes as the format's encoder makes them: the one way the program encodes
// an image. The depth (after replacing kDepthOfSource by the source depth) must be 1,
// 2, 4, 8, 16, 24 or 32. A 32-bit image reaches the encoder unchanged when the format
// keeps some of its alpha and the depth is 32 or a palette depth (1 to 8); otherwise it
// is laid over white first. Nothing when the image is invalid, the depth is not
// allowed, the format has no encoder that runs here, or encoding fails (an encoder that
// throws included).
std::optional<std::string> encodeImage(const ImageObject& image, const ImageFormat& format,
                                       const EncodeOptions& options = {});

// encodeImage, then the bytes replace the file at `path` in one step: a failure leaves
// no partial file and any earlier file at that path untouched.
bool saveImage(const ImageObject& image, std::string_view path, const ImageFormat& format,
               const EncodeOptions& options = {});

}  // namespace tesselon

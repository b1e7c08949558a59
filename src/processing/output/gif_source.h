// GIF sources are processed as their 8-bit palette PNG rendering, like every other
// image the program reads through a PNG round trip.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// For a loaded image whose source extension is "gif" (any case): the image encoded as
// PNG at the image service's default quality and depth (its source depth 8 gives a
// palette PNG, which keeps the GIF's colours and transparency) and decoded again with
// the registry's decoders, all in memory so parallel workers share no file.
// Other images come back unchanged; nothing when the round trip fails.
std::optional<ImageObject> prepareGifSource(std::optional<ImageObject> loaded, std::string_view sourceExtension,
                                            const CodecRegistry& registry);

// Whether a loaded source is an animation: a .gif with more than one frame. Its result is
// never encoded; a batch copies the source file instead.
bool isAnimatedGifSource(const ImageObject& loaded, std::string_view sourceExtension);

}  // namespace tesselon

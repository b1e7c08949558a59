#include "processing/output/gif_source.h"

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "sources/extension_filter.h"

namespace tesselon {

std::optional<ImageObject> prepareGifSource(std::optional<ImageObject> loaded, std::string_view sourceExtension,
                                            const CodecRegistry& registry) {
    if (!loaded || asciiLower(sourceExtension) != "gif") return loaded;
    const ImageFormat* pngFormat = formatBySettingsValue("png");
    const std::optional<std::string> png = pngFormat ? encodeImage(*loaded, *pngFormat) : std::nullopt;
    loaded.reset();
    if (!png) return std::nullopt;
    return catchImage(reinterpret_cast<const uint8_t*>(png->data()), png->size(), registry);
}

bool isAnimatedGifSource(const ImageObject& loaded, std::string_view sourceExtension) {
    return asciiLower(sourceExtension) == "gif" && loaded.frameCount > 1;
}

}  // namespace tesselon

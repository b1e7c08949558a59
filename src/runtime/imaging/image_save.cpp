#include "runtime/imaging/image_save.h"

#include <new>

#include "runtime/fs/file_system.h"
#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

namespace {

bool depthAllowed(int depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

}  // namespace

std::optional<ImageObject> flattenOntoWhite(const ImageObject& image) {
    if (!image.valid() || image.depth != 32) return std::nullopt;
    std::optional<ImageObject> flat = allocateImage(image.width, image.height, 24);
    if (!flat) return std::nullopt;
    flat->sourceDepth = image.sourceDepth;
    flat->format = image.format;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* s = image.row(y);
        uint8_t* d = flat->row(y);
        for (int x = 0; x < image.width; ++x, s += 4, d += 3) {
            d[0] = overWhite(s[0], s[3]);
            d[1] = overWhite(s[1], s[3]);
            d[2] = overWhite(s[2], s[3]);
        }
    }
    return flat;
}

std::optional<std::string> encodeImage(const ImageObject& image, const ImageFormat& format,
                                       const EncodeOptions& options) {
    if (!image.valid() || !format.encodable()) return std::nullopt;
    EncodeOptions resolved = options;
    if (resolved.depth == kDepthOfSource) resolved.depth = image.sourceDepth;
    if (!depthAllowed(resolved.depth)) return std::nullopt;
    try {
        // A palette's entries can carry alpha, so palette depths keep it as well.
        const bool keepsAlpha = format.alpha != AlphaKept::None && (resolved.depth == 32 || resolved.depth <= 8);
        if (image.depth == 32 && !keepsAlpha) {
            const std::optional<ImageObject> flat = flattenOntoWhite(image);
            if (!flat) return std::nullopt;
            return format.encode(pixelRowsOf(*flat), resolved);
        }
        return format.encode(pixelRowsOf(image), resolved);
    } catch (...) {
        // Whatever an encoder's library throws, saving just fails.
        return std::nullopt;
    }
}

bool saveImage(const ImageObject& image, std::string_view path, const ImageFormat& format,
               const EncodeOptions& options) {
    if (path.empty()) return false;
    const std::optional<std::string> bytes = encodeImage(image, format, options);
    if (!bytes) return false;
    try {
        return writeFileReplacing(path, *bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tesselon

#include "processing/output/save_output.h"

#include <optional>
#include <string>

#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_save.h"

namespace tesselon {

namespace {

bool encodableDepth(int depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

}  // namespace

bool writeOutputFile(std::string_view path, std::string_view bytes) {
    const WriteSync sync = fileSize(path) == kFileMissing ? WriteSync::Deferred : WriteSync::Durable;
    return writeFileReplacing(path, bytes, sync);
}

std::optional<std::string> encodeOutput(const ImageObject& image, const ImageFormat* format, int quality,
                                        const CodecRegistry& registry, const EmbeddedMetadata* metadata) {
    // 16-bit-per-sample sources (48 or 64 bits) would otherwise never be saved.
    int depth = encodableDepth(image.sourceDepth) ? kDepthOfSource : image.depth;
    // A format that keeps every alpha value keeps that of an image that has one, however
    // its source stored it (palette with a transparency chunk, grey with alpha): saving at
    // the source's depth would lay it over white.
    if (image.depth == 32 && format && format->alpha == AlphaKept::Full) depth = 32;
    return encodeImage(image, registry, kFormatSys, quality, depth, metadata, format);
}

bool saveOutput(const ImageObject& image, std::string_view savePath, const ImageFormat* format, int quality,
                const CodecRegistry& registry, const EmbeddedMetadata* metadata) {
    if (savePath.empty()) return false;
    const std::optional<std::string> bytes = encodeOutput(image, format, quality, registry, metadata);
    return bytes && writeOutputFile(savePath, *bytes);
}

bool saveResult(const OutputPlan& plan, const ImageObject* working, bool animated, const CodecRegistry& registry,
                const EmbeddedMetadata* metadata) {
    if (!working) return false;
    if (animated) {
        if (plan.preview || plan.overwrite) return false;
        const std::optional<std::string> original = readWholeFile(plan.sourcePath);
        return original && writeOutputFile(plan.savePath, *original);
    }
    return saveOutput(*working, plan.savePath, plan.format, plan.quality, registry, metadata);
}

}  // namespace tesselon

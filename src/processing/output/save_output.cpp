#include "processing/output/save_output.h"

#include <optional>
#include <string>

#include "processing/output/output_format.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_save.h"

namespace tesselon {

namespace {

bool encodableDepth(int depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

}  // namespace

bool writeOutputFile(std::string_view path, std::string_view bytes) {
    return writeFileReplacing(path, bytes, WriteSync::WhenReplacing);
}

SaveOutcome writeOutputFile(const OutputPlan& plan, std::string_view bytes) {
    SaveOutcome outcome;
    if (!plan.root.valid()) {
        outcome.saved = writeOutputFile(plan.savePath, bytes);
        return outcome;
    }
    const FolderHandle folder = plan.root.beneath(plan.folderBeneathRoot, true, &outcome.folder);
    outcome.saved = folder.valid() && writeFileReplacing(folder, nameOfPath(plan.savePath), bytes, WriteSync::WhenReplacing);
    return outcome;
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

SaveOutcome saveResult(const OutputPlan& plan, const ImageObject* working, bool animated,
                       const CodecRegistry& registry, const EmbeddedMetadata* metadata) {
    if (!working || plan.savePath.empty()) return {};
    std::optional<std::string> bytes;
    if (animated) {
        if (plan.preview || plan.overwrite) return {};
        bytes = readWholeFile(plan.sourcePath);
    } else {
        bytes = encodeOutput(*working, plan.format, plan.quality, registry, metadata);
    }
    return bytes ? writeOutputFile(plan, *bytes) : SaveOutcome{};
}

}  // namespace tesselon

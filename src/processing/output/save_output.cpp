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

int resultDepth(const ImageObject& image, const ImageFormat& format) {
    if (image.depth != 32 || format.alpha == AlphaKept::None) return 24;
    // A format that keeps every alpha value keeps that of an image that has one, however
    // its source stored it (palette with a transparency chunk, grey with alpha).
    if (format.alpha == AlphaKept::Full) return 32;
    // Full transparency alone (GIF) is kept where the source's depth has alpha: a palette
    // or 32 bits; sources of 16 to 24 bits are laid over white. A depth no encoder takes
    // (16 bits per sample, 48 or 64) is that of the image in memory.
    const int depth = encodableDepth(image.sourceDepth) ? image.sourceDepth : image.depth;
    return depth == 32 || depth <= 8 ? 32 : 24;
}

std::optional<std::string> encodeOutput(const ImageObject& image, const ImageFormat* format, int quality,
                                        const EmbeddedMetadata* metadata, int threads) {
    if (!format || !format->writable()) return std::nullopt;
    EncodeOptions options;
    options.quality = EncodeQuality::ofPercent(quality);
    options.depth = resultDepth(image, *format);
    options.metadata = metadata;
    options.effort = EncodeEffort::Quick;
    options.threads = threads;
    return encodeImage(image, *format, options);
}

bool saveOutput(const ImageObject& image, std::string_view savePath, const ImageFormat* format, int quality,
                const EmbeddedMetadata* metadata) {
    if (savePath.empty()) return false;
    const std::optional<std::string> bytes = encodeOutput(image, format, quality, metadata);
    return bytes && writeOutputFile(savePath, *bytes);
}

SaveOutcome saveResult(const OutputPlan& plan, const ImageObject* working, bool animated,
                       const EmbeddedMetadata* metadata, int threads) {
    if (!working || plan.savePath.empty()) return {};
    std::optional<std::string> bytes;
    if (animated) {
        if (plan.preview || plan.overwrite) return {};
        bytes = readWholeFile(plan.sourcePath);
    } else {
        bytes = encodeOutput(*working, plan.format, plan.quality, metadata, threads);
    }
    return bytes ? writeOutputFile(plan, *bytes) : SaveOutcome{};
}

}  // namespace tesselon

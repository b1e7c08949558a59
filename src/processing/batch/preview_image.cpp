#include "processing/batch/preview_image.h"

#include <sys/stat.h>

#include "processing/batch/batch_exceptions.h"
#include "processing/output/save_output.h"
#include "runtime/fs/regular_file.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

SourceFileIdentity identifySourceFile(const std::string& path) {
    SourceFileIdentity id;
    id.path = path;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return id;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = int64_t(st.st_size);
    id.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

std::optional<QuickPreview> quickPreview(const PipelineSettings& settings, const PipelineJob& job) {
    const CodecRegistry& codecs = *settings.codecs;
    OpenedFile opened = openRegularFile(job.plan.sourcePath, kMaxImageFileBytes);
    std::string bytes;
    if (!opened.file || !readOpenedFile(*opened.file, kMaxImageFileBytes, bytes)) return std::nullopt;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    std::optional<ImageObject> picture = decodeJpegFirstScans(data, bytes.size(), codecs.limits(), kQuickPreviewSide);
    if (!picture) return std::nullopt;
    QuickPreview quick;
    quick.source = *picture;
    PipelineSettings withoutText = settings;
    withoutText.image.MarcaDeAgua = 0;
    quick.result = applyOperations(withoutText, job, std::move(picture)).image;
    return quick;
}

PreviewImage renderPreview(PreviewCache& cache, const PipelineSettings& settings, const PipelineJob& job,
                           std::atomic<bool>* sourceReady, const std::function<void(QuickPreview&&)>& onQuick) {
    const CodecRegistry& codecs = *settings.codecs;
    const SourceFileIdentity id = identifySourceFile(job.plan.sourcePath);
    // A file that cannot be looked at is read again every time rather than trusted.
    if (!(cache.identity == id) || id.size < 0) {
        if (cache.source) cache.buffers.give(*cache.source);
        if (onQuick && !cache.ahead.ready(id)) {
            if (std::optional<QuickPreview> quick = quickPreview(settings, job)) onQuick(std::move(*quick));
        }
        if (std::optional<DecodedSource> ahead = cache.ahead.take(id)) {
            cache.source = std::move(ahead->image);
            cache.animated = ahead->animated;
        } else {
            LoadedSource loaded = loadSource(job.plan.sourcePath, codecs, &cache.buffers);
            cache.source = std::move(loaded.image);
            cache.animated = loaded.animated;
        }
        cache.identity = id;
        cache.sourceShown = false;
    }
    if (sourceReady) sourceReady->store(true, std::memory_order_release);

    PreviewImage preview;
    preview.loaded = cache.source.has_value();
    std::optional<ImageObject> working;
    if (cache.source) working = copyImage(*cache.source, &cache.buffers);
    ProcessedImage processed = applyOperations(settings, job, std::move(working), &cache.buffers);
    preview.textStepRan = processed.textStepRan;
    if (!processed.image) return preview;
    // An animation's file would be copied as it is, never encoded: there is no result
    // to show, as there is none to save in a preview.
    if (!cache.animated && job.plan.format && job.plan.format->lossless) {
        // Decoding the file would give these very pixels back.
        preview.result = std::move(processed.image);
        return preview;
    }
    std::optional<std::string> bytes;
    if (!cache.animated) bytes = encodeOutput(*processed.image, job.plan.format, job.plan.quality, nullptr, settings.threads);
    // Given back first, so that the decoded result can take its buffer.
    cache.buffers.give(*processed.image);
    if (bytes)
        preview.result =
            catchImage(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), codecs, &cache.buffers);
    return preview;
}

void decodeAhead(PreviewCache& cache, const std::string& path, const CodecRegistry& codecs) {
    const SourceFileIdentity id = identifySourceFile(path);
    if (id.size < 0 || id == cache.identity) return;
    cache.ahead.start(id, [id, &codecs] {
        // Fresh buffers: the pool belongs to the refreshes, which may run meanwhile.
        LoadedSource loaded;
        const CaughtStop caught = runCatching([&] { loaded = loadSource(id.path, codecs); });
        // Nothing is taken from a decode that failed so: the preview decodes it itself.
        if (caught.stop != BatchStop::None) return DecodedSource{SourceFileIdentity{}, std::nullopt, false};
        return DecodedSource{id, std::move(loaded.image), loaded.animated};
    });
}

}  // namespace tesselon

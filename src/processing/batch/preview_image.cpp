#include "processing/batch/preview_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "processing/batch/batch_exceptions.h"
#include "processing/output/save_output.h"
#include "runtime/fs/regular_file.h"
#include "runtime/imaging/jpeg_codec.h"
#include "processing/text/text_block.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"

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

PreviewImage previewOfSource(const ImageObject& source, bool animated, const PipelineSettings& settings,
                             const PipelineJob& job, BufferPool* pool, const std::atomic<bool>* abandon) {
    const auto abandoned = [abandon] { return abandon && abandon->load(std::memory_order_relaxed); };
    PreviewImage preview;
    preview.loaded = true;
    if (abandoned()) return preview;
    ProcessedImage processed = applyOperations(settings, job, copyImage(source, pool), pool);
    preview.textStepRan = processed.textStepRan;
    if (!processed.image) return preview;
    if (abandoned()) {
        if (pool) pool->give(*processed.image);
        return preview;
    }
    // An animation's file would be copied as it is, never encoded: there is no result
    // to show, as there is none to save in a preview.
    if (!animated && job.plan.format && job.plan.format->lossless) {
        // Decoding the file would give these very pixels back.
        preview.result = std::move(processed.image);
        return preview;
    }
    std::optional<std::string> bytes;
    if (!animated) bytes = encodeOutput(*processed.image, job.plan.format, job.plan.quality, nullptr, settings.threads);
    // Given back first, so that the decoded result can take its buffer.
    if (pool) pool->give(*processed.image);
    processed.image.reset();
    if (bytes && !abandoned())
        preview.result = catchImage(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(),
                                    *settings.codecs, pool);
    return preview;
}

std::optional<ImageObject> paneSizedSource(const ImageObject& source) {
    const int longer = std::max(source.width, source.height);
    if (longer <= 0) return std::nullopt;
    if (longer <= kPaneSourceSide) return copyImage(source);
    const double scale = double(kPaneSourceSide) / double(longer);
    const int width = std::max(1, int(std::lround(source.width * scale)));
    const int height = std::max(1, int(std::lround(source.height * scale)));
    return resizedImage(source, width, height);
}

std::optional<ImageObject> quickResultOf(const ImageObject& paneSource, int sourceWidth,
                                         const PipelineSettings& settings, const PipelineJob& job) {
    PipelineSettings scaled = settings;
    // The text keeps its share of the picture: its size in pixels shrinks with it.
    const double scale = sourceWidth > 0 ? double(paneSource.width) / double(sourceWidth) : 1.0;
    const int size = settings.font.Tamagno > 0 ? settings.font.Tamagno : kDefaultTextSize;
    scaled.font.Tamagno = std::max(1, int(std::lround(size * scale)));
    PipelineJob quickJob = job;
    quickJob.resize = false;
    return applyOperations(scaled, quickJob, copyImage(paneSource)).image;
}

namespace {

// Every field of the records a result depends on.
auto fieldsOf(const STRProcesosImage& i) {
    return std::tie(i.MarcaDeAgua, i.RotarAntesQueTexto, i.EspejoH, i.EspejoV, i.Rotar, i.ColorFondo,
                    i.InvertirColores, i.EscalaGrises, i.TintarImagen, i.TinteColor, i.TinteCantidad, i.Contraste,
                    i.ResizeActivo, i.ResizeProporcional, i.ResizeH, i.ResizeV);
}
auto fieldsOf(const STRFuente& f) {
    return std::tie(f.Nombre, f.Tamagno, f.Color, f.ColorBorde, f.Bold, f.Tachado, f.Subrayado, f.Cursiva,
                    f.Interlinea, f.TransparenciaInterior, f.TransparenciaBorde);
}

}  // namespace

bool sameResult(const PipelineSettings& a, const PipelineJob& jobA, const PipelineSettings& b,
                const PipelineJob& jobB) {
    return fieldsOf(a.image) == fieldsOf(b.image) && fieldsOf(a.font) == fieldsOf(b.font) && a.textPosition == b.textPosition && a.fontDpi == b.fontDpi &&
           a.codecs == b.codecs && a.refinements == b.refinements && jobA.plan.format == jobB.plan.format &&
           jobA.plan.quality == jobB.plan.quality && jobA.overlayText == jobB.overlayText &&
           jobA.resize == jobB.resize;
}

PreviewImage renderPreview(PreviewCache& cache, const PipelineSettings& settings, const PipelineJob& job,
                           std::atomic<bool>* sourceReady, const std::function<void(QuickPreview&&)>& onQuick) {
    const CodecRegistry& codecs = *settings.codecs;
    const SourceFileIdentity id = identifySourceFile(job.plan.sourcePath);
    // A file that cannot be looked at is read again every time rather than trusted.
    if (!(cache.identity == id) || id.size < 0) {
        if (cache.source) cache.buffers.give(*cache.source);
        if (onQuick) {
            if (std::optional<QuickPreview> quick = quickPreview(settings, job)) onQuick(std::move(*quick));
        }
        LoadedSource loaded = loadSource(job.plan.sourcePath, codecs, &cache.buffers);
        cache.source = std::move(loaded.image);
        cache.animated = loaded.animated;
        cache.identity = id;
        cache.sourceShown = false;
    }
    if (sourceReady) sourceReady->store(true, std::memory_order_release);
    if (!cache.source) return PreviewImage{};
    return previewOfSource(*cache.source, cache.animated, settings, job, &cache.buffers);
}

}  // namespace tesselon

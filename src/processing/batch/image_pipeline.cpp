#include "processing/batch/image_pipeline.h"

#include "processing/filters/filters.h"
#include "processing/output/gif_source.h"
#include "processing/output/save_output.h"
#include "processing/text/text_block.h"
#include "runtime/fs/paths.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

bool textBeforeRotation(const STRProcesosImage& image) {
    return image.MarcaDeAgua == 1 && image.RotarAntesQueTexto == 1;
}

bool textAfterRotation(const STRProcesosImage& image) {
    return image.MarcaDeAgua == 1 && image.RotarAntesQueTexto == 0;
}

namespace {

void applyColourOperations(ImageObject& img, const STRProcesosImage& ops, int threads) {
    if (ops.Contraste > 0) applyContrast(img, ops.Contraste, threads);
    if (ops.EspejoH) mirrorImage(img, 0, threads);
    if (ops.EspejoV) mirrorImage(img, 1, threads);
    if (ops.EscalaGrises) applyGreyScale(img, threads);
    if (ops.InvertirColores) applyInvert(img, threads);
    if (ops.TintarImagen) applyTint(img, ops.TinteColor, ops.TinteCantidad, threads);
}

std::optional<ImageObject> textStep(const PipelineSettings& s, const PipelineJob& job,
                                    std::optional<ImageObject> working) {
    return drawTextBlock(job.overlayText, std::move(working), s.font, s.textPosition, s.fontDpi);
}

void giveBack(BufferPool* pool, std::optional<ImageObject>& image) {
    if (pool && image) pool->give(*image);
    image.reset();
}

}  // namespace

LoadedSource loadSource(const std::string& path, const CodecRegistry& codecs, BufferPool* pool) {
    LoadedSource source;
    const std::string extension = extensionPart(path);
    source.image = loadImage(path, codecs, pool);
    if (!source.image) return source;
    source.animated = isAnimatedGifSource(*source.image, extension);
    source.image = prepareGifSource(std::move(source.image), extension, codecs);
    return source;
}

ProcessedImage applyOperations(const PipelineSettings& s, const PipelineJob& job, std::optional<ImageObject> working,
                               BufferPool* pool) {
    ProcessedImage out;
    if (working) applyColourOperations(*working, s.image, s.threads);
    if (textBeforeRotation(s.image)) {
        out.textStepRan = true;
        working = textStep(s, job, std::move(working));
    }
    if (s.image.Rotar >= 1 && s.image.Rotar <= 359) {
        std::optional<ImageObject> rotated;
        if (working) rotated = rotateImage(*working, s.image.Rotar, uint32_t(s.image.ColorFondo), s.threads, pool);
        giveBack(pool, working);
        working = std::move(rotated);
    }
    if (textAfterRotation(s.image)) {
        out.textStepRan = true;
        working = textStep(s, job, std::move(working));
    }
    if (working && job.resize)
        resizeForOutput(*working, s.image.ResizeProporcional != 0, s.image.ResizeH, s.image.ResizeV, pool);
    out.image = std::move(working);
    return out;
}

PipelineResult processImage(const PipelineSettings& s, const PipelineJob& job, BufferPool* pool) {
    PipelineResult result;
    const CodecRegistry& codecs = *s.codecs;
    LoadedSource source = loadSource(job.plan.sourcePath, codecs, pool);
    result.loaded = source.image.has_value();
    std::optional<ImageObject> working;
    if (source.image && job.onSourceLoaded) {
        // The preview pane takes the loaded image; the chain works on a copy.
        working = copyImage(*source.image, pool);
        job.onSourceLoaded(std::move(*source.image));
    } else {
        working = std::move(source.image);
    }
    source.image.reset();

    ProcessedImage processed = applyOperations(s, job, std::move(working), pool);
    result.textStepRan = processed.textStepRan;
    if (!processed.image) return result;
    result.saved = saveResult(job.plan, &*processed.image, source.animated, codecs);
    if (pool) pool->give(*processed.image);
    return result;
}

}  // namespace tesselon

#include "processing/batch/image_pipeline.h"

#include "processing/batch/source_load.h"
#include "processing/filters/filters.h"
#include "processing/metadata/source_metadata.h"
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

void applyColourOperations(ImageObject& img, const STRProcesosImage& ops) {
    if (ops.Contraste > 0) applyContrast(img, ops.Contraste);
    if (ops.EspejoH) mirrorImage(img, 0);
    if (ops.EspejoV) mirrorImage(img, 1);
    if (ops.EscalaGrises) applyGreyScale(img);
    if (ops.InvertirColores) applyInvert(img);
    if (ops.TintarImagen) applyTint(img, ops.TinteColor, ops.TinteCantidad);
}

std::optional<ImageObject> textStep(const PipelineSettings& s, const PipelineJob& job,
                                    std::optional<ImageObject> working) {
    return drawTextBlock(job.overlayText, std::move(working), s.font, s.textPosition, s.fontDpi);
}

}  // namespace

PipelineResult processImage(const PipelineSettings& s, const PipelineJob& job) {
    PipelineResult result;
    const CodecRegistry& codecs = *s.codecs;
    const std::string extension = extensionPart(job.plan.sourcePath);

    MemoryBudget ownBudget(s.memory ? 0 : defaultMemoryLimit());
    LoadedSource source = loadSourceImage(s, job, s.memory ? *s.memory : ownBudget);
    std::optional<ImageObject> loaded = std::move(source.image);
    result.problem = std::move(source.problem);
    SourceMetadata metadata = SourceMetadata::take(job.plan.sourcePath, loaded, s.metadata);
    const bool animated = loaded && isAnimatedGifSource(*loaded, extension);
    std::optional<ImageObject> working;
    if (loaded) {
        result.loaded = true;
        loaded = prepareGifSource(std::move(loaded), extension, codecs);
        if (loaded && job.onSourceLoaded) {
            // The preview pane takes the loaded image; the chain works on a copy.
            working = copyImage(*loaded);
            job.onSourceLoaded(std::move(*loaded));
        } else {
            working = std::move(loaded);
        }
        loaded.reset();
    }

    if (working) applyColourOperations(*working, s.image);
    if (textBeforeRotation(s.image)) {
        result.textStepRan = true;
        working = textStep(s, job, std::move(working));
    }
    if (s.image.Rotar >= 1 && s.image.Rotar <= 359) {
        std::optional<ImageObject> rotated;
        if (working) rotated = rotateImage(*working, s.image.Rotar, uint32_t(s.image.ColorFondo));
        working = std::move(rotated);
    }
    if (textAfterRotation(s.image)) {
        result.textStepRan = true;
        working = textStep(s, job, std::move(working));
    }
    if (working && job.resize)
        resizeForOutput(*working, s.image.ResizeProporcional != 0, s.image.ResizeH, s.image.ResizeV);

    const ImageObject* output = working ? &*working : nullptr;
    result.saved = saveResult(job.plan, output, animated, codecs, metadata.forOutput(output));
    if (!result.saved && result.problem.empty()) {
        result.problem = animated && job.plan.overwrite
                             ? std::string("an animated GIF is not converted over itself")
                             : "the result could not be written to '" + job.plan.savePath + "'";
    }
    return result;
}

}  // namespace tesselon

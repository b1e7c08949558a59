#include "processing/batch/image_pipeline.h"

#include <algorithm>
#include <cmath>

#include "processing/batch/colour_operations.h"
#include "processing/batch/source_load.h"
#include "processing/filters/filters.h"
#include "processing/metadata/source_metadata.h"
#include "processing/output/gif_source.h"
#include "processing/output/output_format.h"
#include "processing/output/save_output.h"
#include "processing/text/text_block.h"
#include "runtime/fs/paths.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/threads/core_share.h"

namespace tesselon {

bool textBeforeRotation(const STRProcesosImage& image) {
    return image.MarcaDeAgua == 1 && image.RotarAntesQueTexto == 1;
}

bool textAfterRotation(const STRProcesosImage& image) {
    return image.MarcaDeAgua == 1 && image.RotarAntesQueTexto == 0;
}

namespace {

std::optional<ImageObject> textStep(const PipelineSettings& s, const PipelineJob& job,
                                    std::optional<ImageObject> working) {
    if (!s.refinements.textHeightShare || !working)
        return drawTextBlock(job.overlayText, std::move(working), s.font, s.textPosition, s.fontDpi);
    STRFuente font = s.font;
    font.Tamagno = std::max(1, int(std::lround(*s.refinements.textHeightShare * double(working->height))));
    return drawTextBlock(job.overlayText, std::move(working), font, s.textPosition, s.fontDpi);
}

void giveBack(BufferPool* pool, std::optional<ImageObject>& image) {
    if (pool && image) pool->give(*image);
    image.reset();
}

}  // namespace

LoadedSource preparedSource(std::optional<ImageObject> image, const std::string& path, const CodecRegistry& codecs) {
    LoadedSource source;
    if (!image) return source;
    const std::string extension = extensionPart(path);
    source.animated = isAnimatedGifSource(*image, extension);
    source.image = prepareGifSource(std::move(image), extension, codecs);
    return source;
}

LoadedSource loadSource(const std::string& path, const CodecRegistry& codecs, BufferPool* pool) {
    return preparedSource(loadImage(path, codecs, pool), path, codecs);
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
        if (working)
            rotated = rotateImage(*working, s.image.Rotar, uint32_t(s.image.ColorFondo), s.threads, pool,
                                  greyDuringTurn(s.image) ? PixelTone::Grey : PixelTone::AsIs);
        giveBack(pool, working);
        working = std::move(rotated);
    }
    ProcessedImage rest = applyOperationsAfterTurn(s, job, std::move(working), pool);
    rest.textStepRan = rest.textStepRan || out.textStepRan;
    return rest;
}

ProcessedImage applyOperationsAfterTurn(const PipelineSettings& s, const PipelineJob& job,
                                        std::optional<ImageObject> working, BufferPool* pool) {
    ProcessedImage out;
    if (textAfterRotation(s.image)) {
        out.textStepRan = true;
        working = textStep(s, job, std::move(working));
    }
    if (working && job.resize) {
        if (s.refinements.resizeBox)
            resizeIntoBox(*working, *s.refinements.resizeBox, pool);
        else
            resizeForOutput(*working, s.image.ResizeProporcional != 0, s.image.ResizeH, s.image.ResizeV, pool);
    }
    out.image = std::move(working);
    return out;
}

namespace {

PipelineResult processImageOrThrow(const PipelineSettings& s, const PipelineJob& job, KeptBuffers* keptIn) {
    PipelineResult result;
    const CodecRegistry& codecs = *s.codecs;
    MemoryBudget ownBudget(s.memory ? 0 : defaultMemoryLimit());
    KeptBuffers* kept = s.memory ? keptIn : nullptr;
    BufferPool* pool = kept ? &kept->pool : nullptr;
    // The reservation is held until the result is written.
    BudgetedSource file = loadSourceImage(s, job, s.memory ? *s.memory : ownBudget, kept);
    result.problem = std::move(file.problem);
    result.failure = file.failure;
    result.firstFrameOnly = file.firstFrameOnly;
    result.source = file.fingerprint;
    SourceMetadata metadata = SourceMetadata::take(job.plan.sourcePath, file.image, s.metadata);
    LoadedSource source = preparedSource(std::move(file.image), job.plan.sourcePath, codecs);
    result.loaded = source.image.has_value();
    // A source turned while decoded showed its rows to job.sourceRows instead.
    if (source.image && job.onSourceLoaded && !file.turned) job.onSourceLoaded(*source.image);
    std::optional<ImageObject> working = std::move(source.image);
    source.image.reset();

    // A source turned while it was decoded has had its colours and its turn already.
    ProcessedImage processed = file.turned ? applyOperationsAfterTurn(s, job, std::move(working), pool)
                                           : applyOperations(s, job, std::move(working), pool);
    result.textStepRan = processed.textStepRan;
    const ImageObject* output = processed.image ? &*processed.image : nullptr;
    // Asked only now: the images that finished meanwhile leave their cores to this one.
    const int encoderThreads = s.cores ? s.cores->threadsEach() : s.threads;
    const SaveOutcome saved = saveResult(job.plan, output, source.animated, metadata.forOutput(output), encoderThreads);
    result.saved = saved.saved;
    result.copiedUnchanged = source.animated && saved.saved;
    if (!result.saved && result.problem.empty()) {
        if (saved.folder != BeneathProblem::None)
            result.problem = "not written into '" + folderOfPath(job.plan.savePath) +
                             "': " + describeBeneathProblem(saved.folder);
        else if (source.animated && job.plan.overwrite)
            result.problem = "an animated GIF is not converted over itself";
        else
            result.problem = "the result could not be written to '" + job.plan.savePath + "'";
        result.failure = source.animated && job.plan.overwrite && saved.folder == BeneathProblem::None
                             ? ImageFailure::AnimatedOverItself
                         : !source.animated && !output ? ImageFailure::ProcessingFailed
                                                       : ImageFailure::NotWritten;
    }
    if (pool && processed.image) pool->give(*processed.image);
    if (kept) keepBuffers(*kept, std::move(file.memory));
    return result;
}

}  // namespace

PipelineResult processImage(const PipelineSettings& s, const PipelineJob& job, KeptBuffers* kept) {
    const CoreShare::Hold inHand = s.cores ? s.cores->hold() : CoreShare::Hold();
    PipelineResult result;
    result.stop = runCatching([&] { result = processImageOrThrow(s, job, kept); });
    if (result.stop.stop != BatchStop::None) {
        // What the buffers held may be half given back: they start afresh.
        if (kept) *kept = KeptBuffers{};
        result.saved = false;
        result.failure = result.stop.stop == BatchStop::OutOfMemory ? ImageFailure::OverMemoryLimit
                                                                    : ImageFailure::ProcessingFailed;
        result.problem = result.stop.stop == BatchStop::OutOfMemory ? "not converted: the system gave no more memory"
                                                                    : "not converted: an internal error";
    }
    return result;
}

}  // namespace tesselon

#include "processing/batch/source_load.h"

#include <new>

#include "processing/batch/pipeline_memory.h"
#include "processing/batch/turned_decode.h"
#include "runtime/fs/regular_file.h"
#include "runtime/hash/sha256.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {


ImageFailure failureOf(OpenProblem problem) {
    switch (problem) {
    case OpenProblem::None: return ImageFailure::None;
    case OpenProblem::Missing: return ImageFailure::Missing;
    case OpenProblem::NotRegular: return ImageFailure::NotRegularFile;
    case OpenProblem::TooLarge: return ImageFailure::TooLarge;
    case OpenProblem::Unreadable: break;
    }
    return ImageFailure::Unreadable;
}

void noteNotAnImage(BudgetedSource& source, ImageFailure failure) {
    source.failure = failure;
    switch (failure) {
    case ImageFailure::EmptyFile: source.problem = "the file is empty"; break;
    case ImageFailure::Damaged: source.problem = "truncated or damaged: its header reads, its image data does not"; break;
    default: source.problem = "not an image: no format this program reads starts like this file"; break;
    }
}

}  // namespace

ImageFailure unreadableSourceReason(const std::string& path, const CodecRegistry* codecs) {
    const OpenedFile opened = openRegularFile(path, kMaxImageFileBytes);
    if (!opened.file) return failureOf(opened.problem);
    if (codecs) {
        FileByteReader reader(opened.file->fd.get(), opened.file->size);
        const std::optional<DeclaredImage> declared = readDeclaredImage(reader, *codecs);
        if (declared && declared->codedBeyondDeclared) return ImageFailure::CodedBeyondDeclared;
        if (!declared) return opened.file->size == 0 ? ImageFailure::EmptyFile : ImageFailure::NotAnImage;
        return ImageFailure::Damaged;
    }
    return ImageFailure::NotAnImage;
}

BudgetedSource loadSourceImage(const PipelineSettings& settings, const PipelineJob& job, MemoryBudget& budget,
                               KeptBuffers* kept) {
    BudgetedSource source;
    BufferPool* pool = kept ? &kept->pool : nullptr;
    const CodecRegistry& codecs = *settings.codecs;
    OpenedFile opened = openRegularFile(job.plan.sourcePath, kMaxImageFileBytes);
    if (!opened.file) {
        source.problem = describeOpenProblem(opened.problem, kMaxImageFileBytes);
        source.failure = failureOf(opened.problem);
        return source;
    }
    RegularFile& file = *opened.file;
    FileByteReader reader(file.fd.get(), file.size);
    const std::optional<DeclaredImage> declared = readDeclaredImage(reader, codecs);
    if (!declared) {
        noteNotAnImage(source, file.size == 0 ? ImageFailure::EmptyFile : ImageFailure::NotAnImage);
        return source;
    }
    // Its decoder would refuse it too, but only the header knows why.
    if (declared->codedBeyondDeclared) {
        source.problem = "not decoded: the picture coded in it is larger than its header declares";
        source.failure = ImageFailure::CodedBeyondDeclared;
        return source;
    }
    // A header that gives no size could declare anything: such an image runs alone.
    const uint64_t needed =
        declared->sizeKnown ? pipelineMemoryBound(*declared, file.size, settings, job) : budget.forOneImage();
    std::optional<MemoryReservation> memory;
    if (kept && needed <= budget.forOneImage() && budget.tryGrow(kept->held, needed)) {
        memory = std::move(kept->held);
    } else {
        if (kept && needed <= budget.forOneImage()) {
            kept->pool.trimTo(0);
            kept->held.release();
        }
        memory = budget.reserve(needed);
    }
    if (!memory) {
        source.problem = "needs about " + describeBytes(needed) + " to convert, more than the memory limit of " +
                         describeBytes(budget.limit());
        source.failure = ImageFailure::OverMemoryLimit;
        return source;
    }
    source.memory = std::move(*memory);
    bool read = true;
    try {
        std::string ownBytes;
        std::string& data = pool ? pool->fileBytes() : ownBytes;
        read = readOpenedFile(file, kMaxImageFileBytes, data);
        if (read) {
            // A file whose size moved while it was read is no fingerprint of anything.
            if (job.fingerprintSource && data.size() == file.size)
                source.fingerprint = SourceFingerprint{{int64_t(file.size), file.modifiedNs}, sha256Of(data)};
            DecodeLimits limits = limitsForDeclared(*declared, codecs.limits());
            limits.pool = pool;
            const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
            TurnedDecode turned;
            if (turnsWhileDecoding(settings, job))
                turned = decodeTurned(bytes, data.size(), codecs, limits, settings.image, job);
            source.turned = turned.outcome == TurnedDecodeOutcome::Turned;
            if (turned.outcome == TurnedDecodeOutcome::NotApplicable)
                source.image = catchImage(bytes, data.size(), codecs, limits);
            else
                source.image = std::move(turned.image);
        }
    } catch (const std::bad_alloc&) {
        source.image.reset();
    }
    if (!read) {
        source.problem = describeOpenProblem(OpenProblem::Unreadable, kMaxImageFileBytes);
        source.failure = ImageFailure::Unreadable;
    } else if (!source.image) {
        noteNotAnImage(source, ImageFailure::Damaged);
    } else {
        source.firstFrameOnly = declared->frames > 1 && source.image->frameCount == 1;
    }
    return source;
}

void keepBuffers(KeptBuffers& kept, MemoryReservation memory) {
    if (memory.bytes() > 0) kept.held = std::move(memory);
    kept.pool.trimTo(kept.held.bytes());
    kept.held.shrinkTo(kept.pool.keptBytes());
}

}  // namespace tesselon

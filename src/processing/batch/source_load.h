// Loading an entry's source image within the batch's memory budget.
#pragma once

#include <optional>
#include <string>

#include "core/image_failure.h"
#include "processing/batch/image_pipeline.h"
#include "processing/batch/memory_budget.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// What a worker keeps from one image to the next: large buffers, and the part of the
// batch's memory budget they hold, so that kept memory counts against the limit like
// memory in use.
struct KeptBuffers {
    BufferPool pool;
    MemoryReservation held;  // pool.keptBytes() of the budget, between images
};

struct BudgetedSource {
    std::optional<ImageObject> image;
    MemoryReservation memory;  // held until the image's result is written
    std::string problem;       // why there is no image, in English; empty when loaded
    ImageFailure failure = ImageFailure::None;  // the same, for the front ends
    bool firstFrameOnly = false;  // the file holds an animation of which only the first frame was decoded
    // Decoded straight into its quarter turn with its colours done (turned_decode.h):
    // the chain goes on after the turn.
    bool turned = false;
    std::optional<SourceFingerprint> fingerprint;  // when the job asks for it (image_pipeline.h)
};

// Why the file at `path` gave no image: what stops it being opened, or else (with the
// registry, by what its header declares) that it codes more than it declares, or that it
// is no image the program can decode.
ImageFailure unreadableSourceReason(const std::string& path, const CodecRegistry* codecs = nullptr);

// Opens the source as a regular file of at most kMaxImageFileBytes (never waiting on a
// FIFO or reading a device), reads what its header declares, reserves from `budget` what
// the whole chain will need for it, and only then reads and decodes it, refusing to
// decode anything larger than declared. An image that would need more than the whole
// budget is not decoded at all. Where the job's steps allow, a JPEG is decoded straight
// into its quarter turn.
// With kept buffers, the file's bytes and the pixels go into them. Their memory stays
// reserved beside the image's when the budget has room for both at once; otherwise they
// are freed first, so that a worker never waits while holding memory.
BudgetedSource loadSourceImage(const PipelineSettings& settings, const PipelineJob& job, MemoryBudget& budget,
                               KeptBuffers* kept = nullptr);

// After an image: the kept buffers stay within the reservation `memory` (which held the
// image), and what the buffers keep stays reserved in `kept.held`.
void keepBuffers(KeptBuffers& kept, MemoryReservation memory);

}  // namespace tesselon

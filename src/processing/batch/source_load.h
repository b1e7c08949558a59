// Loading an entry's source image within the batch's memory budget.
#pragma once

#include <optional>
#include <string>

#include "processing/batch/image_pipeline.h"
#include "processing/batch/memory_budget.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

struct BudgetedSource {
    std::optional<ImageObject> image;
    MemoryReservation memory;  // held until the image's result is written
    std::string problem;       // why there is no image, in English; empty when loaded
};

// Opens the source as a regular file of at most kMaxImageFileBytes (never waiting on a
// FIFO or reading a device), reads what its header declares, reserves from `budget` what
// the whole chain will need for it, and only then reads and decodes it, refusing to
// decode anything larger than declared. An image that would need more than the whole
// budget is not decoded at all.
// With a pool, the file's bytes and the pixels go into buffers kept there.
BudgetedSource loadSourceImage(const PipelineSettings& settings, const PipelineJob& job, MemoryBudget& budget,
                               BufferPool* pool = nullptr);

}  // namespace tesselon

// How much memory the per-image chain takes for one image, reckoned from what its header
// declares and the operations chosen, before anything is decoded.
#pragma once

#include <cstdint>

#include "processing/batch/image_pipeline.h"
#include "runtime/imaging/image_header.h"

namespace tesselon {

// An upper bound of the memory processImage holds at any moment for this image: the file
// while it is decoded, the decoder's own, the image with the copies the operations make
// (GIF preparation, text, rotation, resize) and the encoded output.
uint64_t pipelineMemoryBound(const DeclaredImage& declared, uint64_t fileBytes, const PipelineSettings& settings,
                             const PipelineJob& job);

}  // namespace tesselon

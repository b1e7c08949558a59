// Building the pipeline's inputs for one entry of the image list; shared by the
// desktop's sequential batch and the terminal's parallel one.
#pragma once

#include <cstddef>
#include <string>

#include "processing/batch/batch_inputs.h"
#include "processing/batch/image_pipeline.h"

namespace tesselon {

PipelineSettings pipelineSettingsOf(const BatchInputs& in);

// The job of entry `index` drawing the phrase `phraseIndex`, for a batch or a preview.
PipelineJob jobForEntry(const BatchInputs& in, size_t index, size_t phraseIndex, bool preview,
                        const std::string& temporaryFolder);

// A count right-aligned in seven characters with zeros; a longer one keeps its first seven.
std::string padded7(size_t value);

// "0000003/0000250": 1-based image number and total, 7 digits each.
std::string imageCounterText(size_t number, size_t total);

}  // namespace tesselon

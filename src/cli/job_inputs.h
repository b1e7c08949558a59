// The parts of the terminal's program state a batch is given: the job its settings
// describe now, with this run's options, and the list, texts, codecs and front end.
#pragma once

#include "core/job.h"
#include "processing/batch/batch_inputs.h"

namespace tesselon {

struct AppState;

BatchInputs batchInputsOf(AppState& state, const RunOptions& run = {});

}  // namespace tesselon

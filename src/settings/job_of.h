// The job the settings records describe, parsed once: the source kind and protocol
// from their stored text, the port as a number, the password recovered, the quality
// brought into its range.
#pragma once

#include "core/job.h"
#include "core/records.h"

namespace tesselon {

JobDescription jobOf(const Settings& settings, const RunOptions& run = {});

// A stored quality as the encoders take it: 0 (each encoder's default) stays, anything
// else is brought into 10..100.
int clampedQuality(int32_t stored);

}  // namespace tesselon

// The output plan, the output guard, the text choice and the manifest's recipe read the
// settings records' own fields; they get records rebuilt from the job, holding the job's
// values (the quality as clamped, the source kind as "L" or "R") and nothing else.
#pragma once

#include "core/job.h"
#include "core/records.h"

namespace tesselon {

// The environment fields that place a job's results: the source kind and folders, the
// destination, overwriting, the format and the quality.
STRProcesosEntorno placementRecordOf(const JobDescription& job);

// The placement, the text record and the image operations together.
Settings recordsOf(const JobDescription& job);

}  // namespace tesselon

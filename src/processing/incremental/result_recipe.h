// The digest of everything besides the source's bytes that shapes a result: every
// image and text operation setting, the output format and quality, the text the image
// gets, the font it resolves to, the metadata options and the program itself. Settings
// that only change how a run goes (workers, memory, progress, report, which folders
// are scanned) are not in it, so changing them converts nothing again.
#pragma once

#include "core/records.h"
#include "processing/batch/image_pipeline.h"
#include "processing/metadata/source_metadata.h"
#include "runtime/hash/sha256.h"

namespace tesselon {

// The part every image of a run shares. Resolves the font when text is drawn.
Sha256Digest runRecipe(const Settings& settings, int fontDpi, const MetadataOptions& metadata,
                       const JobRefinements& refinements = {});

// One image's: the run's, with what its plan and job add (the text it gets when text
// is drawn, its output format and quality).
Sha256Digest imageRecipe(const Sha256Digest& run, const STRProcesosImage& image, const PipelineJob& job);

}  // namespace tesselon

// The preview of one entry: made by the batch's own steps, but in memory. The source
// stays decoded in the cache while its file is unchanged; the result is encoded with the
// chosen format and quality and decoded again (unless the format is one that gives the
// pixels back unchanged), so it shows exactly what the batch would write (before any
// resize), and nothing is written to a file.
#pragma once

#include <atomic>
#include <optional>

#include "core/preview_cache.h"
#include "processing/batch/image_pipeline.h"

namespace tesselon {

struct PreviewImage {
    bool loaded = false;                  // the source could be read as an image
    bool textStepRan = false;             // the job's text was drawn
    std::optional<ImageObject> result;    // the output as decoded again; nothing when none was made
};

// The identity of the file at `path` as it stands now.
SourceFileIdentity identifySourceFile(const std::string& path);

// Makes the preview of the job's source. cache.source then holds that source (or
// nothing when it cannot be read), and `sourceReady`, when given, is set as soon as it
// does, so that another thread may show it while the operations run; that thread may
// only read cache.source and write cache.sourceShown until this returns. The result's
// buffer belongs to cache.buffers: hand it back with cache.buffers.give once shown.
PreviewImage renderPreview(PreviewCache& cache, const PipelineSettings& settings, const PipelineJob& job,
                           std::atomic<bool>* sourceReady = nullptr);

// Starts decoding the source at `path` on a thread of its own, so that a later preview of
// it finds it decoded; nothing when it is the cached source already or another decode
// is still running. The codecs must outlive the cache.
void decodeAhead(PreviewCache& cache, const std::string& path, const CodecRegistry& codecs);

}  // namespace tesselon

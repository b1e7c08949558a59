// Decoding a source straight into its quarter turn.
//
// When a quarter turn is the chain's first step that needs the picture whole, a JPEG
// source is decoded a band of rows at a time, each band's colours done and the band
// copied into the turned image at once: a worker then never holds the upright picture
// beside the turned one. The turned image is byte for byte the one the whole-picture
// steps give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "processing/batch/image_pipeline.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// Whether the job's steps up to the turn allow it: a quarter turn, no text before it,
// colour operations of pixels alone, nothing shown of or read from the upright source
// (EXIF orientation and metadata; the source pane only where its picture can be made
// from the rows, job.sourceRows), and no GIF preparation.
bool turnsWhileDecoding(const PipelineSettings& settings, const PipelineJob& job);

enum class TurnedDecodeOutcome {
    NotApplicable,  // not such a source: decode it whole
    Failed,         // the data failed where the whole decode fails
    Turned,         // the image holds the source, its colours done, turned
};

struct TurnedDecode {
    TurnedDecodeOutcome outcome = TurnedDecodeOutcome::NotApplicable;
    std::optional<ImageObject> image;
};

// For settings turnsWhileDecoding accepts: the data decoded (as catchImage would decode
// it, within the limits, its buffer from their pool) and turned.
TurnedDecode decodeTurned(const uint8_t* data, size_t size, const CodecRegistry& codecs, const DecodeLimits& limits,
                          const STRProcesosImage& ops, const PipelineJob& job = PipelineJob{});

}  // namespace tesselon

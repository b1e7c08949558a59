// The per-image chain: load, colour operations, text, rotation, resize, save. One
// function of plain data in, files out, so the desktop batch, the preview and the
// terminal's parallel workers all write exactly the same bytes.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/image_failure.h"
#include "processing/batch/batch_exceptions.h"
#include "processing/batch/row_picture.h"
#include "core/job_refinements.h"
#include "processing/incremental/result_record.h"
#include "processing/metadata/source_metadata.h"
#include "processing/output/output_plan.h"
#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"
#include "core/records.h"

namespace tesselon {

class CodecRegistry;
class CoreShare;
class MemoryBudget;
struct KeptBuffers;

struct PipelineSettings {
    STRProcesosImage image;
    STRFuente font;
    int textPosition = 0;   // TextoPosicion
    int fontDpi = 96;
    const CodecRegistry* codecs = nullptr;
    MetadataOptions metadata;  // off in the desktop program; options of tesselon-batch
    // Shared by the workers of one batch; without it each image is checked against
    // the default limit on its own.
    MemoryBudget* memory = nullptr;
    // The threads the colour operations, the rotation and the encoder of one image are
    // spread over. The result is the same for any number.
    int threads = 1;
    // Shared by the workers of one batch: each image holds a core of it while it is
    // converted, and its encoder takes its part of the cores (threadsEach) in place of
    // `threads`, so that the cores the batch leaves idle serve the images in hand.
    CoreShare* cores = nullptr;
    // A terminal job's resize box and relative text size; none in the desktop program.
    JobRefinements refinements;
};

struct PipelineJob {
    OutputPlan plan;
    std::string overlayText;   // what the text step draws
    bool resize = false;       // batch with ResizeActivo; never in a preview
    // Shown the loaded source image (after GIF preparation) before the operations, for
    // the source preview pane: it makes its own picture of it, which the chain does not
    // wait on a copy for.
    std::function<void(const ImageObject&)> onSourceLoaded;
    // The same picture made from the source's rows, before any operation, for a source
    // decoded straight into its quarter turn, whose whole upright image never exists:
    // given the source's size, something that takes the rows top to bottom, or nothing
    // when it cannot (the source is then decoded whole for onSourceLoaded).
    std::function<std::unique_ptr<RowPicture>(int width, int height)> sourceRows;
    // Digest the source's bytes as they are read, for the manifest of --skip-unchanged.
    bool fingerprintSource = false;
};

struct PipelineResult {
    bool loaded = false;
    bool textStepRan = false;   // the entry's overlayText is then the job's text
    bool saved = false;         // the output file was written
    bool firstFrameOnly = false;  // an animation converted from its first frame (WebP)
    // An animated GIF whose file was copied as it is: no operation and no output format
    // reached it, so it is a copy, not a conversion.
    bool copiedUnchanged = false;
    std::string problem;        // why not, in English: unreadable, too large, not written
    ImageFailure failure = ImageFailure::None;  // the same, for the front ends
    // With fingerprintSource: the source as it was read, when it was read whole and
    // unchanged while it was read.
    std::optional<SourceFingerprint> source;
    // An exception ended the chain (no memory, an internal fault): the batch stops.
    CaughtStop stop;
};

// A source image as the chain starts from it.
struct LoadedSource {
    std::optional<ImageObject> image;   // loaded and, from a GIF, prepared; nothing when that failed
    bool animated = false;              // a GIF of several frames, whose file a batch copies as it is
};

// The image after the operations, nothing when one of them lost it.
struct ProcessedImage {
    std::optional<ImageObject> image;
    bool textStepRan = false;
};

// Whether the text step runs for these settings, and before (true) or after the rotation.
// A stored value other than 0 or 1 draws no text at all.
bool textBeforeRotation(const STRProcesosImage& image);
bool textAfterRotation(const STRProcesosImage& image);

// The steps of the chain, each safe to call from several threads at once. A pool, when
// given, lends the large buffers and takes back those no longer needed; each thread
// needs its own.
//
// Reads and decodes the source file, and prepares a GIF source. (The batch's
// processImage loads within the memory budget instead; see source_load.h.)
LoadedSource loadSource(const std::string& path, const CodecRegistry& codecs, BufferPool* pool = nullptr);
// A decoded image made ready for the chain: a GIF prepared, and marked when animated.
LoadedSource preparedSource(std::optional<ImageObject> image, const std::string& path, const CodecRegistry& codecs);
// Colours, the text before the rotation, the rotation, the text after it, and the resize
// of the job, in that order, on the working image.
ProcessedImage applyOperations(const PipelineSettings& settings, const PipelineJob& job,
                               std::optional<ImageObject> working, BufferPool* pool = nullptr);
// The steps after the rotation alone (the text after it, the resize), on an image whose
// colours and rotation are done.
ProcessedImage applyOperationsAfterTurn(const PipelineSettings& settings, const PipelineJob& job,
                                        std::optional<ImageObject> working, BufferPool* pool = nullptr);

// Runs the whole chain for one image: load, operations, save. Buffers are kept for the
// next image only under a shared budget (settings.memory), which then counts them.
// Never throws: an exception on the way is answered in the result's `stop`.
PipelineResult processImage(const PipelineSettings& settings, const PipelineJob& job, KeptBuffers* kept = nullptr);

}  // namespace tesselon

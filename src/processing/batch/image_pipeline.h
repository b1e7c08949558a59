// The per-image chain: load, colour operations, text, rotation, resize, save. One
// function of plain data in, files out, so the desktop batch, the preview and the
// terminal's parallel workers all write exactly the same bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "processing/metadata/source_metadata.h"
#include "processing/output/output_plan.h"
#include "runtime/imaging/image_object.h"
#include "core/records.h"

namespace tesselon {

class CodecRegistry;
class MemoryBudget;

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
};

struct PipelineJob {
    OutputPlan plan;
    std::string overlayText;   // what the text step draws
    bool resize = false;       // batch with ResizeActivo; never in a preview
    // Called with the loaded source image (after GIF preparation) before the operations,
    // for the source preview pane. Without it the loaded image itself is processed.
    std::function<void(ImageObject&&)> onSourceLoaded;
};

struct PipelineResult {
    bool loaded = false;
    bool textStepRan = false;   // the entry's overlayText is then the job's text
    bool saved = false;         // the output file was written
    std::string problem;        // why not, in English: unreadable, too large, not written
};

// Whether the text step runs for these settings, and before (true) or after the rotation.
// A stored value other than 0 or 1 draws no text at all.
bool textBeforeRotation(const STRProcesosImage& image);
bool textAfterRotation(const STRProcesosImage& image);

// Runs the whole chain for one image. Safe to call from several threads at once.
PipelineResult processImage(const PipelineSettings& settings, const PipelineJob& job);

}  // namespace tesselon

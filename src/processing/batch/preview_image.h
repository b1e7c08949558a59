// The preview of one entry: made by the batch's own steps, but in memory. The source
// stays decoded in the cache while its file is unchanged; the result is encoded with the
// chosen format and quality and decoded again (unless the format is one that gives the
// pixels back unchanged), so it shows exactly what the batch would write (before any
// resize), and nothing is written to a file.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "core/preview_cache.h"
#include "processing/batch/image_pipeline.h"

namespace tesselon {

struct PreviewImage {
    bool loaded = false;                  // the source could be read as an image
    bool textStepRan = false;             // the job's text was drawn
    std::optional<ImageObject> result;    // the output as decoded again; nothing when none was made
};

// A first look at an entry whose source takes long to decode: the picture its first
// scans give, small, and that picture through the job's operations but the text (drawn
// at its own size, it would not look as it will on the whole image).
struct QuickPreview {
    ImageObject source;
    std::optional<ImageObject> result;
};

// The longer side a quick picture has at least: enough for a preview pane.
constexpr int kQuickPreviewSide = 640;

// The quick look of the job's source, when it is a progressive JPEG large enough to
// make one worth it; nothing otherwise.
std::optional<QuickPreview> quickPreview(const PipelineSettings& settings, const PipelineJob& job);

// The longer side of the pane-sized copy of a source that quick pictures of a setting
// change are made from: a pane at twice the usual density.
constexpr int kPaneSourceSide = 800;

// A source this large (in pixels) takes long enough through the whole chain that a
// setting change first shows a quick picture made from its pane-sized copy.
constexpr uint64_t kQuickPictureWorthPixels = 4'000'000;

// The identity of the file at `path` as it stands now.
SourceFileIdentity identifySourceFile(const std::string& path);

// Makes the preview of the job's source. cache.source then holds that source (or
// nothing when it cannot be read), and `sourceReady`, when given, is set as soon as it
// does, so that another thread may show it while the operations run; that thread may
// only read cache.source and write cache.sourceShown until this returns. The result's
// buffer belongs to cache.buffers: hand it back with cache.buffers.give once shown.
// When the source must be decoded first and `onQuick` is given, it is called (on this
// thread) with the entry's quick look, if it has one, before that decode starts.
PreviewImage renderPreview(PreviewCache& cache, const PipelineSettings& settings, const PipelineJob& job,
                           std::atomic<bool>* sourceReady = nullptr,
                           const std::function<void(QuickPreview&&)>& onQuick = {});

// The preview of a source decoded already: the job's operations on a copy of it, then
// encoded and decoded again as renderPreview does. The result's buffer comes from the
// pool when one is given. Once `abandon` rises, no further step starts and there is no
// result: nobody waits for it any more.
PreviewImage previewOfSource(const ImageObject& source, bool animated, const PipelineSettings& settings,
                             const PipelineJob& job, BufferPool* pool = nullptr,
                             const std::atomic<bool>* abandon = nullptr);

// A copy of the source whose longer side is at most kPaneSourceSide; nothing when it
// cannot be made.
std::optional<ImageObject> paneSizedSource(const ImageObject& source);

// The job's operations on the pane-sized copy of its source, the text drawn at the
// copy's scale: what a setting change shows at once, long before the exact result.
std::optional<ImageObject> quickResultOf(const ImageObject& paneSource, int sourceWidth,
                                         const PipelineSettings& settings, const PipelineJob& job);

// Whether two previews made with these settings and jobs give the same result.
bool sameResult(const PipelineSettings& a, const PipelineJob& jobA, const PipelineSettings& b,
                const PipelineJob& jobB);

}  // namespace tesselon

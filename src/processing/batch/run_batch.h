// The desktop program's batch conversion and preview refresh.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "processing/batch/row_picture.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

class CancelToken;
class CodecRegistry;
class Frontend;
class PackedStrings;
struct BatchEnd;
struct PreviewCache;
struct Settings;
struct SourceImageList;

// What the window's batch and preview are given: the parts of the program they read and
// fill in, never the whole state. The settings are read once the front end has put its
// controls into them; the job is made of them then.
struct DesktopBatch {
    const Settings* settings = nullptr;
    SourceImageList* list = nullptr;        // each entry's outputPath, saved and overlayText; the current entry
    const PackedStrings* phrases = nullptr;
    std::string defaultWatermark;
    int fontDpi = 96;
    const CodecRegistry* codecs = nullptr;
    Frontend* frontend = nullptr;
    PreviewCache* preview = nullptr;        // the preview's decoded image and buffers between refreshes
    CancelToken* cancel = nullptr;          // CANCELAR; cleared when a batch starts converting
    // Scans the source the settings name again, refilling the list: the preconditions
    // offer it when the list came from another source.
    std::function<void()> rescan;
    // The picture a preview pane (0 the source's, 1 the result's) shows of an image,
    // made on the batch's worker that holds the image, so that the window's thread only
    // puts it up; callable from any thread. Empty, or nothing made: the image itself is
    // handed to showPreviewImage.
    std::function<std::optional<ImageObject>(const ImageObject& image, int pane)> paneImageOf;
    // The same pictures made from an image's rows as they are decoded (row_picture.h),
    // handed to `done`; nothing when that image's picture needs it whole.
    std::function<std::unique_ptr<RowPicture>(int width, int height, int pane,
                                              std::function<void(ImageObject&&)> done)>
        paneRowsOf;
    // Tells the end of a batch that was not cancelled, in place of the front end's
    // showBatchEnd: the window's last step of a batch (publishing its results) goes
    // here, while the batch still counts as running. Empty: showBatchEnd.
    std::function<void(const BatchEnd&)> tellEnd;
};

enum class BatchRun {
    Previewed,  // previewOnly: the current entry (if any) was shown
    Gated,      // a precondition stopped the batch before it converted anything
    Converted,  // the batch ran; the cancel token says whether it was cancelled
};

// previewOnly 0: checks the preconditions, then converts every entry of the image list
// in order, with progress in the image counter and CANCELAR honoured between images;
// afterwards the counter shows the entry the panes show, which becomes the current one.
// previewOnly 1: processes the current entry in memory (see preview_image.h) and shows
// the source and the result in the preview panes; nothing is written anywhere.
//
// A preview's image is made by the preview's preparer (preview_ahead.h), spread over
// every core, with its neighbours prepared beside it; a preview the user moves on from
// (PreviewCache::superseded) is left unfinished. A batch's
// images are made by one worker per core, side by side, and handed back in list order.
// Meanwhile this thread keeps the windows alive, so the program answers clicks and
// repaints during long images; what the front end does with the events meanwhile is its
// own affair. CANCELAR lets the images in hand finish and starts no other. A destination
// folder that cannot be made ends the batch as CANCELAR does.
BatchRun runBatch(const DesktopBatch& parts, bool previewOnly);

}  // namespace tesselon

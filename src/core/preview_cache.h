// What the preview keeps from one refresh to the next: the current image as decoded, so
// that a change of settings does not read and decode its file again, the large buffers
// of the last refresh, and the preparer that makes the current entry and its neighbours
// in the background.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// A file as it stands: the same path with the same identity is the same picture.
struct SourceFileIdentity {
    std::string path;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;         // -1: the file could not be looked at
    int64_t modifiedNs = 0;

    bool operator==(const SourceFileIdentity&) const = default;
};

// Made by the processing layer: the threads that prepare previews ahead of need.
class PreviewPreparer;

struct PreviewCache {
    SourceFileIdentity identity;        // the file `source` comes from; empty path: none yet
    std::optional<ImageObject> source;  // loaded and prepared; nothing when that failed
    bool animated = false;              // a GIF of several frames
    bool sourceShown = false;           // the source pane shows the source of `identity`
    bool refining = false;              // the panes show a quick picture, marked as such
    BufferPool buffers;
    // Started by the first refresh; its threads end when the cache does.
    std::shared_ptr<PreviewPreparer> preparer;
    // Set (on the window's thread) when the user did something during a refresh that
    // asks for another: the refresh stops waiting for a preview nobody looks at.
    bool superseded = false;
};

}  // namespace tesselon

// What the preview keeps from one refresh to the next: the current image as decoded, so
// that a change of settings does not read and decode its file again, and the large
// buffers of the last refresh.
#pragma once

#include <cstdint>
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

struct PreviewCache {
    SourceFileIdentity identity;        // the file `source` comes from; empty path: none yet
    std::optional<ImageObject> source;  // loaded and prepared; nothing when that failed
    bool animated = false;              // a GIF of several frames
    bool sourceShown = false;           // the source pane shows `source`
    BufferPool buffers;

    void clear() {
        identity = SourceFileIdentity();
        source.reset();
        animated = false;
        sourceShown = false;
        buffers = BufferPool();
    }
};

}  // namespace tesselon

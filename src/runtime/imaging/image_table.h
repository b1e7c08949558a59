// Images by number: fixed numbers the caller chooses, or new handles the table hands out.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "runtime/imaging/image_object.h"

namespace tesselon {

class ImageTable {
public:
    // Ask store() for a new handle instead of a fixed number.
    static constexpr int kNewHandle = -1;
    // Fixed numbers run 1..kMaxFixedNumber; new handles are numbered above it, so the
    // two never meet.
    static constexpr int kMaxFixedNumber = 0xFFFF;

    // Stores the image under the fixed number (replacing and freeing whatever had it) or
    // under a new handle; returns the number or handle. Storing no image (a failed load,
    // say) frees the fixed number and returns 0, as does a request that is neither
    // kNewHandle nor a fixed number.
    int store(int request, std::optional<ImageObject> image);

    // The image stays alive for its holder even if the number is freed meanwhile.
    std::shared_ptr<ImageObject> lookup(int handle) const;
    bool isImage(int handle) const;

    bool free(int handle);
    void freeAll();
    size_t size() const;

private:
    mutable std::mutex mutex_;
    std::map<int, std::shared_ptr<ImageObject>> images_;
    int nextHandle_ = kMaxFixedNumber + 1;
};

}  // namespace tesselon

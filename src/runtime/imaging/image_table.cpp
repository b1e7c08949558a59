#include "runtime/imaging/image_table.h"

#include <climits>
#include <new>

namespace tesselon {

int ImageTable::store(int request, std::optional<ImageObject> image) {
    const bool fixed = request >= 1 && request <= kMaxFixedNumber;
    if (!fixed && request != kNewHandle) return 0;
    std::shared_ptr<ImageObject> stored;
    if (image) {
        try {
            stored = std::make_shared<ImageObject>(std::move(*image));
        } catch (const std::bad_alloc&) {
        }
    }
    std::shared_ptr<ImageObject> replaced;  // released after the lock
    std::lock_guard lock(mutex_);
    if (fixed) {
        auto it = images_.find(request);
        if (it != images_.end()) {
            replaced = std::move(it->second);
            images_.erase(it);
        }
    }
    if (!stored) return 0;
    int handle = request;
    if (!fixed) {
        // Handles freed long ago may come round again only after two billion new ones.
        do {
            handle = nextHandle_;
            nextHandle_ = nextHandle_ == INT_MAX ? kMaxFixedNumber + 1 : nextHandle_ + 1;
        } while (images_.count(handle));
    }
    try {
        images_.emplace(handle, std::move(stored));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return handle;
}

std::shared_ptr<ImageObject> ImageTable::lookup(int handle) const {
    std::lock_guard lock(mutex_);
    auto it = images_.find(handle);
    return it == images_.end() ? nullptr : it->second;
}

bool ImageTable::isImage(int handle) const {
    std::lock_guard lock(mutex_);
    return images_.count(handle) != 0;
}

bool ImageTable::free(int handle) {
    std::shared_ptr<ImageObject> released;
    std::lock_guard lock(mutex_);
    auto it = images_.find(handle);
    if (it == images_.end()) return false;
    released = std::move(it->second);
    images_.erase(it);
    return true;
}

void ImageTable::freeAll() {
    std::map<int, std::shared_ptr<ImageObject>> released;
    std::lock_guard lock(mutex_);
    released.swap(images_);
}

size_t ImageTable::size() const {
    std::lock_guard lock(mutex_);
    return images_.size();
}

}  // namespace tesselon

// The cores a batch may use, shared out among the images it has in hand: each image
// holds one while it is converted, and the cores no image holds go to the encoders of
// those that are. A full batch thus runs one image per core, and a lone photo, or the
// last images of a batch, are encoded on the cores the others left.
#pragma once

#include <atomic>

namespace tesselon {

class CoreShare {
public:
    explicit CoreShare(int cores) : cores_(cores < 1 ? 1 : cores) {}
    CoreShare(const CoreShare&) = delete;
    CoreShare& operator=(const CoreShare&) = delete;

    // One image in hand for as long as the hold lives.
    class Hold {
    public:
        Hold() = default;
        explicit Hold(CoreShare* share) : share_(share) {
            if (share_) share_->inHand_.fetch_add(1, std::memory_order_relaxed);
        }
        Hold(Hold&& other) noexcept : share_(other.share_) { other.share_ = nullptr; }
        Hold& operator=(Hold&& other) noexcept {
            if (this != &other) {
                release();
                share_ = other.share_;
                other.share_ = nullptr;
            }
            return *this;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() { release(); }

    private:
        void release() {
            if (share_) share_->inHand_.fetch_sub(1, std::memory_order_relaxed);
            share_ = nullptr;
        }
        CoreShare* share_ = nullptr;
    };

    Hold hold() { return Hold(this); }

    // The threads one image in hand may take now: its even part of the cores, at least 1.
    int threadsEach() const {
        const int inHand = inHand_.load(std::memory_order_relaxed);
        return inHand <= 1 ? cores_ : cores_ / inHand > 1 ? cores_ / inHand : 1;
    }

    int cores() const { return cores_; }

private:
    const int cores_;
    std::atomic<int> inHand_{0};
};

}  // namespace tesselon

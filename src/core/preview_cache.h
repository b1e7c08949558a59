// What the preview keeps from one refresh to the next: the current image as decoded, so
// that a change of settings does not read and decode its file again, the large buffers
// of the last refresh, and the next image, decoded ahead.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

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

// A source as the preview starts from it: decoded and prepared, or nothing when it could
// not be.
struct DecodedSource {
    SourceFileIdentity identity;
    std::optional<ImageObject> image;
    bool animated = false;  // a GIF of several frames
};

// A source decoded on a thread of its own ahead of need: the entry the user will likely
// look at next, decoded while they look at this one. Used from one thread at a time.
class SourceAhead {
public:
    SourceAhead() = default;
    ~SourceAhead() { join(); }
    SourceAhead(SourceAhead&&) noexcept = default;
    SourceAhead& operator=(SourceAhead&& other) noexcept {
        join();
        job_ = std::move(other.job_);
        return *this;
    }

    // Starts decoding with `decode`, unless that file is decoded (or being decoded)
    // already or another decode is still running.
    void start(const SourceFileIdentity& identity, std::function<DecodedSource()> decode) {
        if (job_ && job_->thread.joinable()) {
            if (!job_->done.load(std::memory_order_acquire) || identity == job_->wanted) return;
            job_->thread.join();
        }
        // The thread's own state lives apart, so that this object can move meanwhile.
        job_ = std::make_unique<Job>();
        job_->wanted = identity;
        Job* job = job_.get();
        try {
            job->thread = std::thread([job, decode = std::move(decode)] {
                job->result = decode();
                job->done.store(true, std::memory_order_release);
            });
        } catch (const std::system_error&) {
            // Nothing decoded ahead: the preview decodes it when it comes to it.
            job_.reset();
        }
    }

    // Whether the source of `identity` is decoded already, so that take() will not wait.
    bool ready(const SourceFileIdentity& identity) const {
        return job_ && job_->thread.joinable() && identity == job_->wanted && job_->done.load(std::memory_order_acquire);
    }

    // The source decoded for `identity`, waiting for it when it is still being decoded;
    // nothing when none was started for it, or the file has changed since.
    std::optional<DecodedSource> take(const SourceFileIdentity& identity) {
        if (!job_ || !job_->thread.joinable() || !(identity == job_->wanted)) return std::nullopt;
        job_->thread.join();
        std::optional<DecodedSource> out = std::move(job_->result);
        job_.reset();
        if (out && !(out->identity == identity)) return std::nullopt;
        return out;
    }

private:
    struct Job {
        std::thread thread;
        std::atomic<bool> done{false};
        SourceFileIdentity wanted;
        std::optional<DecodedSource> result;  // written by the thread, read after joining it
    };

    void join() {
        if (job_ && job_->thread.joinable()) job_->thread.join();
    }

    std::unique_ptr<Job> job_;
};

struct PreviewCache {
    SourceFileIdentity identity;        // the file `source` comes from; empty path: none yet
    std::optional<ImageObject> source;  // loaded and prepared; nothing when that failed
    bool animated = false;              // a GIF of several frames
    bool sourceShown = false;           // the source pane shows `source`
    BufferPool buffers;
    SourceAhead ahead;                  // the next entry's source
};

}  // namespace tesselon

#include "processing/batch/image_workers.h"

#include <system_error>

#include "processing/batch/source_load.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

ImageWorkers::ImageWorkers(const PipelineSettings& settings, int workers, SavedPicture picture)
    : settings_(settings), picture_(std::move(picture)) {
    for (int t = 0; t < workers; ++t) {
        try {
            threads_.emplace_back([this] { workerLoop(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

ImageWorkers::~ImageWorkers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void ImageWorkers::submit(size_t index, PipelineJob job, bool readBack) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Task{index, std::move(job), readBack});
        ++submitted_;
    }
    wake_.notify_one();
}

size_t ImageWorkers::pending() const {
    std::lock_guard lock(mutex_);
    return submitted_ - taken_;
}

void ImageWorkers::noMoreComing() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
    }
    wake_.notify_all();
}

bool ImageWorkers::finished(size_t index) {
    std::unique_lock lock(mutex_);
    if (threads_.empty() && !queue_.empty() && done_.count(index) == 0) {
        if (!here_) here_ = std::make_unique<KeptBuffers>();
        Task task = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        runOne(task, *here_);
        lock.lock();
    }
    return done_.count(index) != 0;
}

std::optional<ImageWork> ImageWorkers::take(size_t index) {
    std::lock_guard lock(mutex_);
    const auto it = done_.find(index);
    if (it == done_.end()) return std::nullopt;
    std::optional<ImageWork> out = std::move(it->second);
    done_.erase(it);
    ++taken_;
    return out;
}

void ImageWorkers::dropQueued() {
    std::lock_guard lock(mutex_);
    for (const Task& task : queue_) done_.emplace(task.index, std::nullopt);
    queue_.clear();
}

void ImageWorkers::runOne(Task& task, KeptBuffers& kept) {
    ImageWork work;
    work.result = processImage(settings_, task.job, &kept);
    if (task.readBack && work.result.saved) {
        // The result is in place whatever its picture for the pane costs. It is read into
        // the buffers kept for the next image, which get them back once the picture is
        // made: no fresh buffer to fault in and zero for every result.
        const CaughtStop shown = runCatching([&] {
            work.saved = loadImage(task.job.plan.savePath, *settings_.codecs, &kept.pool);
            if (work.saved && picture_)
                if (std::optional<ImageObject> picture = picture_(*work.saved)) {
                    kept.pool.give(*work.saved);
                    work.saved = std::move(picture);
                }
        });
        // What the pool keeps stays what the budget holds for it.
        kept.pool.trimTo(kept.held.bytes());
        if (shown.stop != BatchStop::None) work.saved.reset();
    }
    std::lock_guard lock(mutex_);
    done_.emplace(task.index, std::move(work));
}

void ImageWorkers::workerLoop() {
    // The buffers of one image serve the next one this thread takes: a fresh 12 MP
    // buffer costs its page faults and its zeroing each time.
    KeptBuffers kept;
    bool holding = false;
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                if (stopping_) return;
                if (!queue_.empty()) break;
                if (closed_ && holding) {
                    // A worker done for good keeps no memory: another may be waiting for
                    // the whole budget, for an image whose header does not tell its size.
                    lock.unlock();
                    kept = KeptBuffers{};
                    holding = false;
                    lock.lock();
                    continue;
                }
                wake_.wait(lock);
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        runOne(task, kept);
        holding = true;
    }
}

}  // namespace tesselon

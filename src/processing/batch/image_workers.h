// A few worker threads that run the per-image chain on jobs handed to them one by one,
// for a caller that takes the results back in its own order (the desktop's batch, which
// shows its progress entry by entry while the next images are already being made).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "processing/batch/image_pipeline.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

struct KeptBuffers;

struct ImageWork {
    PipelineResult result;
    // The saved file read back, when the job asked for it: the result pane's picture,
    // decoded (and made into the picture, when the workers were given how) on the worker
    // rather than on the thread that keeps the window alive.
    std::optional<ImageObject> saved;
};

// What a saved result read back becomes before it is handed back: the picture the caller
// shows of it, made on the worker. Nothing: the result as read.
using SavedPicture = std::function<std::optional<ImageObject>(const ImageObject& saved)>;

class ImageWorkers {
public:
    // `settings` (and what it points to) must outlive the workers. When the system gives
    // no thread at all, finished() runs the next queued job on the calling thread.
    ImageWorkers(const PipelineSettings& settings, int workers, SavedPicture picture = {});
    ~ImageWorkers();  // drops the jobs not started, waits for those in hand
    ImageWorkers(const ImageWorkers&) = delete;
    ImageWorkers& operator=(const ImageWorkers&) = delete;

    // Queues the job of entry `index`; with `readBack`, a saved result is read back.
    void submit(size_t index, PipelineJob job, bool readBack);
    // Jobs submitted and not yet taken.
    size_t pending() const;
    // Nothing more will be submitted: a worker with nothing left to do lets go of the
    // buffers it kept for its next image. Until then it keeps them, as a worker of a
    // batch queued all at once does between its images.
    void noMoreComing();
    // Whether the job of `index` has finished (or was dropped).
    bool finished(size_t index);
    // The outcome of `index` once finished(); nothing when it was dropped unstarted.
    std::optional<ImageWork> take(size_t index);
    // Jobs not started yet are dropped; those in hand finish.
    void dropQueued();

private:
    struct Task {
        size_t index = 0;
        PipelineJob job;
        bool readBack = false;
    };
    void workerLoop();
    void runOne(Task& task, KeptBuffers& kept);

    const PipelineSettings& settings_;
    const SavedPicture picture_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> queue_;
    std::map<size_t, std::optional<ImageWork>> done_;  // nothing: dropped unstarted
    size_t submitted_ = 0;
    size_t taken_ = 0;
    bool closed_ = false;  // noMoreComing()
    bool stopping_ = false;
    std::vector<std::thread> threads_;
    std::unique_ptr<KeptBuffers> here_;  // the calling thread's, when there is no worker
};

}  // namespace tesselon

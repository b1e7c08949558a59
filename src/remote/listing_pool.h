// Folders listed over several connections at once: one worker thread per connection
// takes the folders in the order they were handed in, while the thread that made the
// pool waits for them and keeps the user's windows alive. A worker first opens its own
// connection (the first is usually open already), so that logging in on the further
// ones overlaps the first listings.
//
// The work a worker does answers whether its connection is still good; a worker whose
// connection is gone takes nothing more, and once no worker is left the folders still
// waiting stay unlisted (settle() then reports them as stranded()).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tesselon {

template <class Connection, class Job>
class ListingPool {
public:
    // Runs on the worker; null when no connection could be had.
    using Open = std::function<Connection*()>;
    // Runs on the worker for each job; false when the connection is done for.
    using Work = std::function<bool(Connection&, Job&)>;

    ListingPool(std::vector<Open> opens, Work work)
        : work_(std::move(work)), opening_(opens.size()), gone_(opens.size(), false) {
        for (size_t i = 0; i < opens.size(); ++i)
            workers_.emplace_back([this, i, open = std::move(opens[i])] { serve(i, open); });
    }
    // Forgets the jobs not started and waits for those running.
    ~ListingPool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        ready_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }
    ListingPool(const ListingPool&) = delete;
    ListingPool& operator=(const ListingPool&) = delete;

    void submit(Job job) { submitTo(kAnyWorker, std::move(job)); }
    // A job only the worker of the `worker`-th connection may take (one whose session
    // stands where the job starts).
    void submitTo(size_t worker, Job job) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({worker, std::move(job)});
        }
        ready_.notify_all();
    }

    // Waits up to `wait` for the pool to come to rest: no job running, and none waiting
    // that a worker could still take. True once at rest.
    bool settle(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, wait, [this] { return atRest(); });
    }

    // The jobs that no worker is left to take, taken out of the pool.
    std::vector<Job> stranded() {
        std::lock_guard lock(mutex_);
        std::vector<Job> jobs;
        for (auto it = queue_.begin(); it != queue_.end();) {
            if (takeable(*it)) {
                ++it;
            } else {
                jobs.push_back(std::move(it->job));
                it = queue_.erase(it);
            }
        }
        return jobs;
    }

    // Forgets the jobs no worker has started.
    void drop() {
        {
            std::lock_guard lock(mutex_);
            queue_.clear();
        }
        changed_.notify_all();
    }

    // Whether another worker could still take a job than the one asking, which holds
    // a connection that failed.
    bool othersRemain() const {
        std::lock_guard lock(mutex_);
        return live_ > 1 || opening_ > 0;
    }

private:
    static constexpr size_t kAnyWorker = SIZE_MAX;
    struct Queued {
        size_t worker;
        Job job;
    };

    bool takeable(const Queued& q) const { return q.worker == kAnyWorker ? live_ > 0 || opening_ > 0 : !gone_[q.worker]; }
    bool atRest() const {
        return running_ == 0 && std::none_of(queue_.begin(), queue_.end(), [this](const Queued& q) { return takeable(q); });
    }
    // The first job waiting that worker `index` may take.
    typename std::deque<Queued>::iterator jobFor(size_t index) {
        return std::find_if(queue_.begin(), queue_.end(),
                            [index](const Queued& q) { return q.worker == kAnyWorker || q.worker == index; });
    }

    void serve(size_t index, const Open& open) {
        Connection* connection = nullptr;
        // An exception on a worker would end the program: the connection is taken as
        // missing instead.
        try {
            connection = open ? open() : nullptr;
        } catch (...) {
        }
        std::unique_lock lock(mutex_);
        --opening_;
        if (!connection) {
            gone_[index] = true;
            changed_.notify_all();
            return;
        }
        ++live_;
        for (;;) {
            ready_.wait(lock, [this, index] { return stopping_ || jobFor(index) != queue_.end(); });
            if (stopping_) break;
            const auto next = jobFor(index);
            Job job = std::move(next->job);
            queue_.erase(next);
            ++running_;
            lock.unlock();
            bool good = false;
            try {
                good = work_(*connection, job);
            } catch (...) {
            }
            lock.lock();
            --running_;
            if (!good) break;
            changed_.notify_all();
        }
        --live_;
        gone_[index] = true;
        changed_.notify_all();
    }

    Work work_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;    // a job waits, or the pool ends
    std::condition_variable changed_;  // a job ended, or a worker came or went
    std::deque<Queued> queue_;
    size_t opening_ = 0;  // workers still opening their connection
    size_t live_ = 0;     // workers with a good connection
    size_t running_ = 0;  // jobs in hand
    std::vector<bool> gone_;  // by worker: its connection is gone or never came
    bool stopping_ = false;
    std::list<std::thread> workers_;  // last: they start once the members they use exist
};

}  // namespace tesselon

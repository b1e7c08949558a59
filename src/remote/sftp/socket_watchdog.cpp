#include "remote/sftp/socket_watchdog.h"

#include <algorithm>
#include <sys/socket.h>

namespace tesselon {

namespace {

// How often a raised cancel flag is looked at while an operation waits.
constexpr std::chrono::milliseconds kCancelPoll{50};

}  // namespace

SocketWatchdog::SocketWatchdog() : thread_([this] { run(); }) {}

SocketWatchdog::~SocketWatchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SocketWatchdog::watch(FileDescriptor fd) {
    std::lock_guard lock(mutex_);
    fd_ = std::move(fd);
}

void SocketWatchdog::arm(std::chrono::milliseconds idle, Clock::time_point deadline,
                         const std::atomic<bool>* cancel) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        armed_ = true;
        idle_ = idle;
        deadline_ = deadline;
        cancel_ = cancel;
        lastProgress_.store(now.time_since_epoch().count(), std::memory_order_relaxed);
        // A watcher already due to look in time needs no wake-up: operations follow one
        // another quickly (a file each), and waking it for each one costs a switch of
        // threads on every file.
        wake = firstCheck(now) < sleepingUntil_;
    }
    if (wake) wake_.notify_all();
}

SocketWatchdog::Clock::time_point SocketWatchdog::firstCheck(Clock::time_point now) const {
    Clock::time_point first = std::min(now + idle_, deadline_);
    if (cancel_) first = std::min(first, now + kCancelPoll);
    return first;
}

void SocketWatchdog::progress() {
    lastProgress_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

void SocketWatchdog::disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    cancel_ = nullptr;
}

SocketWatchdog::Trip SocketWatchdog::tripped() const {
    std::lock_guard lock(mutex_);
    return trip_;
}

void SocketWatchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!armed_) {
            sleepingUntil_ = Clock::time_point::max();
            wake_.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point idleEnd =
            Clock::time_point(Clock::duration(lastProgress_.load(std::memory_order_relaxed))) + idle_;
        Trip trip = Trip::None;
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
            trip = Trip::Cancelled;
        } else if (now >= deadline_) {
            trip = Trip::Deadline;
        } else if (now >= idleEnd) {
            trip = Trip::Idle;
        }
        if (trip != Trip::None) {
            trip_ = trip;
            armed_ = false;
            if (fd_.valid()) ::shutdown(fd_.get(), SHUT_RDWR);
            continue;
        }
        sleepingUntil_ = std::min(idleEnd, deadline_);
        if (cancel_) sleepingUntil_ = std::min(sleepingUntil_, now + kCancelPoll);
        wake_.wait_until(lock, sleepingUntil_);
    }
}

}  // namespace tesselon

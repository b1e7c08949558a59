// Bounds the blocking calls made on a socket by a library that has no deadlines of its
// own: while an operation is armed, a watching thread shuts the socket down when no
// progress was reported within the idle bound, when the operation's deadline passes, or
// when the caller's cancel flag rises. The blocked call then returns with an error and
// tripped() tells why. A socket once shut down stays unusable.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

class SocketWatchdog {
public:
    using Clock = std::chrono::steady_clock;
    enum class Trip { None, Idle, Deadline, Cancelled };

    SocketWatchdog();
    ~SocketWatchdog();
    SocketWatchdog(const SocketWatchdog&) = delete;
    SocketWatchdog& operator=(const SocketWatchdog&) = delete;

    // A descriptor of the socket to shut down (a duplicate the watchdog owns). Set it
    // before arming.
    void watch(FileDescriptor fd);
    // Starts bounding an operation; the idle bound counts from now.
    void arm(std::chrono::milliseconds idle, Clock::time_point deadline, const std::atomic<bool>* cancel);
    // Something arrived: the idle bound starts again.
    void progress();
    // Ends the operation; once it returns, the socket is left alone.
    void disarm();
    Trip tripped() const;

private:
    void run();
    // When the watcher must first look at an operation armed at `now`.
    Clock::time_point firstCheck(Clock::time_point now) const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    FileDescriptor fd_;
    bool armed_ = false;
    bool stopping_ = false;
    Trip trip_ = Trip::None;
    std::chrono::milliseconds idle_{0};
    Clock::time_point deadline_;
    const std::atomic<bool>* cancel_ = nullptr;
    // When the watcher wakes next by itself; the largest value while it waits for an
    // operation, before the first one and while disarmed.
    Clock::time_point sleepingUntil_ = Clock::time_point::max();
    std::atomic<Clock::rep> lastProgress_{0};
    std::thread thread_;
};

// Arms a watchdog for one scope.
class WatchedOperation {
public:
    WatchedOperation(SocketWatchdog& dog, std::chrono::milliseconds idle, SocketWatchdog::Clock::time_point deadline,
                     const std::atomic<bool>* cancel = nullptr)
        : dog_(dog) {
        dog_.arm(idle, deadline, cancel);
    }
    ~WatchedOperation() { dog_.disarm(); }
    WatchedOperation(const WatchedOperation&) = delete;
    WatchedOperation& operator=(const WatchedOperation&) = delete;

private:
    SocketWatchdog& dog_;
};

}  // namespace tesselon

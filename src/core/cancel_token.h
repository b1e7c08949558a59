// A request to stop a long operation, made by the user (a button, Ctrl-C) and polled by
// the operation. It lives for one run and is handed to it; it is never a setting.
#pragma once

#include <atomic>

namespace tesselon {

class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void request() { requested_.store(true, std::memory_order_relaxed); }
    bool requested() const { return requested_.load(std::memory_order_relaxed); }
    // A new run starts without the request that ended the last one.
    void clear() { requested_.store(false, std::memory_order_relaxed); }
    // The flag itself, for a transfer's watchdog that polls it on a thread of its own.
    const std::atomic<bool>* flag() const { return &requested_; }

private:
    std::atomic<bool> requested_{false};
};

}  // namespace tesselon

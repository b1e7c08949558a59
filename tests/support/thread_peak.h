// The largest number of threads this process ran at once, for at least `lasting`, while
// a piece of work ran, read from /proc/self/status by a sampler thread of its own
// (counted too). Threads that live a few milliseconds (a library's helpers) do not
// count unless `lasting` is zero.
#pragma once

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tesselon::testing {

inline int threadsNow() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return 0;
}

inline int peakThreadsDuring(const std::function<void()>& work,
                             std::chrono::milliseconds lasting = std::chrono::milliseconds(0)) {
    std::atomic<bool> done{false};
    std::atomic<int> peak{0};
    std::thread sampler([&] {
        using Clock = std::chrono::steady_clock;
        // Since when at least each count of threads has been running without a break.
        std::vector<Clock::time_point> since;
        while (!done.load()) {
            const int now = threadsNow();
            const Clock::time_point at = Clock::now();
            if (int(since.size()) > now) since.resize(size_t(now));
            while (int(since.size()) < now) since.push_back(at);
            for (int n = now; n > peak.load(); --n)
                if (at - since[size_t(n - 1)] >= lasting) {
                    peak.store(n);
                    break;
                }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    work();
    done.store(true);
    sampler.join();
    return peak.load();
}

}  // namespace tesselon::testing

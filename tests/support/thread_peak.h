// The largest number of threads this process ran at once while a piece of work ran,
// read from /proc/self/status by a sampler thread of its own (counted too).
#pragma once

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace tesselon::testing {

inline int threadsNow() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return 0;
}

inline int peakThreadsDuring(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::atomic<int> peak{0};
    std::thread sampler([&] {
        while (!done.load()) {
            const int now = threadsNow();
            if (now > peak.load()) peak.store(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    work();
    done.store(true);
    sampler.join();
    return peak.load();
}

}  // namespace tesselon::testing

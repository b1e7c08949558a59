// Seconds since a point in time, for the run's summary.
#pragma once

#include <chrono>

namespace tesselon {

class Stopwatch {
public:
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tesselon

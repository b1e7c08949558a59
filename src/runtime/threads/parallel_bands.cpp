#include "runtime/threads/parallel_bands.h"

#include <sched.h>

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace tesselon {

int usableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void forEachBand(int count, int threads, int minimumBand, const std::function<void(int first, int last)>& work) {
    if (count <= 0) return;
    const int bands = std::clamp(count / std::max(1, minimumBand), 1, std::max(1, threads));
    if (bands == 1) {
        work(0, count);
        return;
    }
    std::vector<std::exception_ptr> failures(static_cast<size_t>(bands));
    auto runBand = [&](int band) {
        try {
            work(int(int64_t(count) * band / bands), int(int64_t(count) * (band + 1) / bands));
        } catch (...) {
            failures[size_t(band)] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(bands));
    int started = 1;
    for (; started < bands; ++started) {
        try {
            helpers.emplace_back(runBand, started);
        } catch (const std::system_error&) {
            break;
        }
    }
    runBand(0);
    for (int band = started; band < bands; ++band) runBand(band);
    for (std::thread& t : helpers) t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace tesselon

// Runs tesselon-batch as a child process and measures what only a child shows: whether
// it ends within a time, and its peak resident memory (from wait4's resource usage).
#pragma once

#include <string>
#include <vector>

namespace tesselon::testing {

struct MeasuredRun {
    int exitCode = -1;     // -1 when killed
    bool timedOut = false; // killed at the deadline
    long peakRssMiB = 0;
    std::string err;       // what it wrote to stderr
};

// Runs build/bin/tesselon-batch with `args`, killing it after `timeoutSeconds`. With an
// `addressLimit` (bytes) it runs under `prlimit --as`, as a user may run it.
MeasuredRun runBatchChild(const std::vector<std::string>& args, int timeoutSeconds, unsigned long long addressLimit = 0);

}  // namespace tesselon::testing

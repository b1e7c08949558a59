// Spreading row-wise work over the processor cores this process may use.
#pragma once

#include <functional>

namespace tesselon {

// The cores the scheduler lets this process run on (a taskset or a container's limit
// counts), at least 1.
int usableCores();

// Runs work(first, last) on contiguous bands that together cover [0, count) once each,
// on at most `threads` threads, the calling one among them. A band is never smaller than
// `minimumBand` (unless count itself is), so small jobs stay on one thread. The bands
// run at the same time: work must only touch what its own band owns. When a thread
// cannot be started its band runs on the calling thread. An exception thrown by a band
// reaches the caller after every band has ended.
void forEachBand(int count, int threads, int minimumBand, const std::function<void(int first, int last)>& work);

}  // namespace tesselon

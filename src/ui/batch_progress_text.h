// The status bar's words while a batch runs: how far it is, and how long it still needs.
#pragma once

#include <cstddef>
#include <string>

namespace tesselon {

// "3 de 12".
std::string batchCountText(size_t done, size_t total);

// The time left, reckoned from the pace so far: "Quedan 42 s", "Quedan 3 min 05 s",
// "Quedan 1 h 02 min"; before the first image is done there is no pace yet.
std::string batchTimeLeftText(size_t done, size_t total, double elapsedSeconds);

}  // namespace tesselon

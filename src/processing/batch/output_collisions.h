// Entries of one batch that write the same file: the last one written wins, as it does
// when they are converted one at a time, and the earlier results are marked replaced.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tesselon {

// For each entry, the entry whose result replaced its own: the last entry written to
// the same save path after it. Nothing for entries not written, and for the last one
// written to each path.
std::vector<std::optional<size_t>> replacedResults(const std::vector<std::string>& savePaths,
                                                   const std::vector<bool>& written);

}  // namespace tesselon

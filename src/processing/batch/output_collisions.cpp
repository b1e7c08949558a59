#include "processing/batch/output_collisions.h"

#include <map>

namespace tesselon {

std::vector<std::optional<size_t>> replacedResults(const std::vector<std::string>& savePaths,
                                                   const std::vector<bool>& written) {
    std::vector<std::optional<size_t>> replacedBy(savePaths.size());
    std::map<std::string, size_t> lastWritten;
    for (size_t i = 0; i < savePaths.size() && i < written.size(); ++i) {
        if (written[i]) lastWritten[savePaths[i]] = i;
    }
    for (size_t i = 0; i < savePaths.size() && i < written.size(); ++i) {
        if (!written[i]) continue;
        const size_t last = lastWritten[savePaths[i]];
        if (last != i) replacedBy[i] = last;
    }
    return replacedBy;
}

}  // namespace tesselon

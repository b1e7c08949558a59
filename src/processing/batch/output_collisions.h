// Entries of one batch whose results would have the same name. No result of a run may
// replace another result of the same run, so one entry keeps the name and the others
// are not written. The choice depends on the names alone, never on which image happens
// to be converted first, so a whole run and every shard of it choose alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "processing/batch/batch_inputs.h"

namespace tesselon {

// For each entry, the entry that keeps the result name it shares with others; nothing
// for that entry itself and for entries whose name no other entry has. The keeper is
// the entry whose source already bears the result's file name (a.jpg for a.jpg, beside
// a.jpeg), else the first in list order.
std::vector<std::optional<size_t>> resultNameKeepers(const std::vector<std::string>& savePaths,
                                                     const std::vector<std::string>& sourcePaths);

// The save path and the source path of every entry of the job's list, as a batch
// plans them.
struct PlannedNames {
    std::vector<std::string> savePaths;
    std::vector<std::string> sourcePaths;
};
PlannedNames plannedNamesOf(const BatchInputs& in);

}  // namespace tesselon

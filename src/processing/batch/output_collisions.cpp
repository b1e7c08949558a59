#include "processing/batch/output_collisions.h"

#include <string_view>
#include <unordered_map>

#include "core/image_list.h"
#include "processing/batch/job_records.h"
#include "processing/output/output_plan.h"
#include "runtime/fs/file_system.h"
#include "processing/output/output_format.h"

namespace tesselon {

std::vector<std::optional<size_t>> resultNameKeepers(const std::vector<std::string>& savePaths,
                                                     const std::vector<std::string>& sourcePaths) {
    const size_t count = savePaths.size();
    // Per save path: the first entry, and the first whose source has the result's name.
    struct Claim {
        size_t first = 0;
        std::optional<size_t> sameName;
    };
    std::unordered_map<std::string_view, Claim> claims;
    for (size_t i = 0; i < count; ++i) {
        auto [it, added] = claims.emplace(savePaths[i], Claim{i, std::nullopt});
        const bool sameName = i < sourcePaths.size() && nameOfPath(sourcePaths[i]) == nameOfPath(savePaths[i]);
        if (sameName && !it->second.sameName) it->second.sameName = i;
    }
    std::vector<std::optional<size_t>> keepers(count);
    for (size_t i = 0; i < count; ++i) {
        const Claim& claim = claims.at(savePaths[i]);
        const size_t keeper = claim.sameName.value_or(claim.first);
        if (keeper != i) keepers[i] = keeper;
    }
    return keepers;
}

PlannedNames plannedNamesOf(const BatchInputs& in) {
    const std::string temporary = temporaryFolder();
    const STRProcesosEntorno placement = placementRecordOf(in.job);
    PlannedNames names;
    names.savePaths.reserve(in.list->size());
    names.sourcePaths.reserve(in.list->size());
    for (const SourceImageEntry& entry : in.list->entries) {
        OutputPlan plan = planOutput(placement, entry, temporary, false);
        names.savePaths.push_back(std::move(plan.savePath));
        names.sourcePaths.push_back(std::move(plan.sourcePath));
    }
    return names;
}

}  // namespace tesselon

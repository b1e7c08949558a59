#include "processing/incremental/batch_ledger.h"

#include <sys/stat.h>

#include "processing/incremental/result_recipe.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {

namespace {

// The file at `path` (a link is not followed when `follow` is false); nothing unless it
// is a regular file.
std::optional<FileState> regularFileState(const std::string& path, bool follow) {
    struct stat info {};
    const int status = follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (status != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FileState{int64_t(info.st_size), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

BatchLedger::BatchLedger(ResultLedger& ledger, const Settings& settings, int fontDpi,
                         const MetadataOptions& metadata, const JobRefinements& refinements,
                         const std::vector<PipelineJob>& jobs,
                         const std::vector<char>& share)
    : ledger_(ledger), jobs_(jobs), share_(share), recipes_(jobs.size()) {
    const Sha256Digest run = runRecipe(settings, fontDpi, metadata, refinements);
    for (size_t i = 0; i < jobs.size(); ++i)
        if (share[i]) recipes_[i] = imageRecipe(run, settings.image, jobs[i]);
}

bool BatchLedger::start(const FolderHandle& root, MemoryBudget& memory) {
    std::vector<std::string> sources;
    for (size_t i = 0; i < jobs_.size(); ++i)
        if (share_[i]) sources.push_back(sourceKeyOf(jobs_[i].plan));
    return ledger_.start(root, sources, jobs_.size(), &memory);
}

bool BatchLedger::unitStands(const std::vector<size_t>& unit) {
    if (unit.empty() || !ledger_.active()) return false;
    // The entries of a unit share their result file.
    const std::optional<FileState> result = regularFileState(jobs_[unit.front()].plan.savePath, false);
    if (!result) return false;
    std::vector<ResultRecord> standing;
    for (size_t i : unit) {
        const OutputPlan& plan = jobs_[i].plan;
        const ResultRecord* record = ledger_.recordOf(sourceKeyOf(plan));
        const std::optional<FileState> source = regularFileState(plan.sourcePath, true);
        if (!record || !source) return false;
        const ResultNow now{outputKeyOf(plan), result, *source};
        const Judgement judgement = judgeResult(record, recipes_[i], now, [&] {
            return sha256OfRegularFile(plan.sourcePath, kMaxImageFileBytes);
        });
        if (judgement.verdict != ResultVerdict::Current) return false;
        standing.push_back(*record);
        if (judgement.sourceTimeMoved) standing.back().from.state = *source;
    }
    for (const ResultRecord& record : standing) ledger_.keep(record);
    return true;
}

void BatchLedger::unitDone(const std::vector<size_t>& unit, const std::vector<PipelineResult>& results) {
    if (unit.empty() || !ledger_.active()) return;
    const std::optional<FileState> result = regularFileState(jobs_[unit.front()].plan.savePath, false);
    std::vector<ResultRecord> records;
    for (size_t i : unit) {
        const OutputPlan& plan = jobs_[i].plan;
        if (!result || !results[i].saved || !results[i].source) {
            ledger_.forget(sourceKeyOf(plan));
            continue;
        }
        records.push_back(ResultRecord{sourceKeyOf(plan), *results[i].source, recipes_[i], outputKeyOf(plan), *result});
    }
    ledger_.record(records);
}

void BatchLedger::finish() { ledger_.finish(); }

}  // namespace tesselon

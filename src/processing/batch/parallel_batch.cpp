#include "processing/batch/parallel_batch.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "core/image_list.h"
#include "processing/batch/job_records.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/shard_share.h"
#include "processing/incremental/batch_ledger.h"
#include "processing/batch/source_load.h"
#include "processing/output/output_guard.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"
#include "runtime/threads/core_share.h"
#include "runtime/threads/parallel_bands.h"

namespace tesselon {

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(50);

// The entries this run converts, one unit each, in list order: no two of them write
// the same file, as only the keeper of a shared result name is converted.
std::vector<std::vector<size_t>> unitsToConvert(const std::vector<char>& convert) {
    std::vector<std::vector<size_t>> units;
    for (size_t i = 0; i < convert.size(); ++i)
        if (convert[i]) units.push_back({i});
    return units;
}

// Every entry's plan, whether this run converts it or not: a shard's share, the result
// names the entries share, and the phrase of each image follow from the whole list.
struct ListPlan {
    std::vector<PipelineJob> jobs;
    std::vector<std::optional<size_t>> nameKeepers;
    std::vector<char> inShare;
};

ListPlan planList(const BatchInputs& in, const std::optional<Shard>& shard) {
    ListPlan plan;
    const size_t count = in.list->size();
    const std::string temporary = temporaryFolder();
    const bool cycle = !in.job.text.watermarkOnly;
    plan.jobs.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t phrase = cycle ? phraseIndexForImage(i, in.phrases->size()) : 0;
        plan.jobs.push_back(jobForEntry(in, i, phrase, false, temporary));
    }
    std::vector<std::string> savePaths, sourcePaths;
    savePaths.reserve(count);
    sourcePaths.reserve(count);
    for (const PipelineJob& job : plan.jobs) {
        savePaths.push_back(job.plan.savePath);
        sourcePaths.push_back(job.plan.sourcePath);
    }
    plan.nameKeepers = resultNameKeepers(savePaths, sourcePaths);
    if (shard) plan.inShare = shardShare(plan.nameKeepers, *shard);
    else plan.inShare.assign(count, 1);
    return plan;
}

// Which entries of the share are converted and which refused, once their folders stand.
struct FolderPhase {
    std::vector<char> refused;
    std::vector<char> convert;
    size_t planned = 0;              // entries before the folder that could not be made
    bool destinationFailed = false;
};

// Folders first, in list order: a folder that cannot be created ends the batch there,
// and only the entries before it are converted, as one at a time.
FolderPhase prepareFolders(const BatchInputs& in, ListPlan& plan, OutputGuard& guard,
                           std::vector<std::string>& problems) {
    const size_t count = plan.jobs.size();
    FolderPhase phase;
    phase.refused.assign(count, 0);
    phase.convert.assign(count, 0);
    phase.planned = count;
    // The guard's own stop request: a folder that failed ends this batch only.
    int8_t folderFailed = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!plan.inShare[i]) continue;
        PipelineJob& job = plan.jobs[i];
        if (!guard.prepareFolder(job.plan, folderFailed, *in.frontend)) {
            phase.destinationFailed = true;
            phase.planned = i;
            break;
        }
        if (const std::optional<size_t> keeper = plan.nameKeepers[i])
            problems[i] = "not written: its result '" + job.plan.savePath + "' is the result of '" +
                          in.list->entries[*keeper].path + "'";
        else
            problems[i] = guard.refusal(job.plan, i);
        phase.refused[i] = problems[i].empty() ? 0 : 1;
        phase.convert[i] = phase.refused[i] ? 0 : 1;
        in.list->entries[i].outputPath = job.plan.outputPath;
    }
    return phase;
}

// How a converted entry ended.
EntryEnd endOf(const PipelineResult& result) {
    if (!result.saved) return result.loaded ? EntryEnd::NotWritten : EntryEnd::Unreadable;
    return result.copiedUnchanged ? EntryEnd::Copied : EntryEnd::Saved;
}

// What the workers leave per entry.
struct ConversionRun {
    std::vector<PipelineResult> results;
    std::vector<char> finished;
    std::vector<char> skipped;   // its result from an earlier run stands
};

// The workers and the reporting thread of one batch. The first exception stops it; the
// images in hand finish, no new one starts.
class Conversion {
public:
    Conversion(const ParallelBatchOptions& options, const PipelineSettings& settings, std::vector<PipelineJob>& jobs,
               BatchLedger* ledger, ParallelBatchOutcome& outcome)
        : options_(options), settings_(settings), jobs_(jobs), ledger_(ledger), outcome_(outcome) {
        run_.results.resize(jobs.size());
        run_.finished.assign(jobs.size(), 0);
        run_.skipped.assign(jobs.size(), 0);
    }

    ConversionRun run(const std::vector<char>& convert, size_t alreadyDone, size_t toHandle) {
        units_ = unitsToConvert(convert);
        // Refused entries count as handled from the start.
        done_.store(alreadyDone);
        const int workers = std::max(1, std::min<int>(options_.jobs, int(std::max<size_t>(units_.size(), 1))));
        std::vector<std::thread> threads;
        const CaughtStop started = runCatching([&] {
            for (int t = 0; t < workers; ++t) threads.emplace_back([this] { work(); });
        });
        // Otherwise the workers there are convert the batch.
        if (started.stop != BatchStop::None && threads.empty()) stopWith(started, std::nullopt);
        // Workers stop by themselves at the end, on cancel or on a stop; this thread only
        // reports, and whatever befalls it the workers are joined.
        const CaughtStop reporting = runCatching([&] {
            while (done_.load() < toHandle && !ended()) {
                if (options_.onProgress) options_.onProgress(done_.load(), outcome_.total);
                std::this_thread::sleep_for(kProgressPeriod);
            }
        });
        if (reporting.stop != BatchStop::None) stopWith(reporting, std::nullopt);
        for (std::thread& t : threads) t.join();
        if (ledger_) {
            const CaughtStop recorded = runCatching([&] { ledger_->finish(); });
            if (recorded.stop != BatchStop::None) stopWith(recorded, std::nullopt);
        }
        return std::move(run_);
    }

    bool cancelled() const { return options_.cancel && options_.cancel->requested(); }

private:
    bool ended() const { return cancelled() || stopping_.load(); }

    void stopWith(const CaughtStop& caught, std::optional<size_t> at) {
        std::lock_guard lock(stopMutex_);
        if (outcome_.stop.stop == BatchStop::None) {
            outcome_.stop = caught;
            outcome_.stoppedAt = at;
        }
        stopping_.store(true);
    }

    void work() {
        // The buffers of one image serve the next one this worker takes.
        KeptBuffers buffers;
        for (;;) {
            if (ended()) return;
            const size_t u = nextUnit_.fetch_add(1);
            if (u >= units_.size()) return;
            std::optional<size_t> inHand;
            const CaughtStop caught = runCatching([&] { convertUnit(units_[u], buffers, inHand); });
            if (caught.stop != BatchStop::None) {
                stopWith(caught, inHand);
                return;
            }
        }
    }

    void convertUnit(const std::vector<size_t>& unit, KeptBuffers& buffers, std::optional<size_t>& inHand) {
        if (ledger_ && ledger_->unitStands(unit)) {
            for (size_t i : unit) run_.skipped[i] = 1;
            done_.fetch_add(unit.size());
            for (size_t i : unit) tellEnd(i, EntryEnd::Skipped, {});
            return;
        }
        for (size_t i : unit) {
            inHand = i;
            run_.results[i] = processImage(settings_, jobs_[i], &buffers);
            run_.finished[i] = 1;
            done_.fetch_add(1);
            if (run_.results[i].stop.stop != BatchStop::None) {
                stopWith(run_.results[i].stop, i);
                return;
            }
        }
        // Recorded only now that the unit's result is in place.
        if (ledger_) ledger_->unitDone(unit, run_.results);
        for (size_t i : unit) tellEnd(i, endOf(run_.results[i]), run_.results[i].problem);
    }

    void tellEnd(size_t i, EntryEnd end, const std::string& problem) const {
        if (options_.onEntryEnd) options_.onEntryEnd(i, end, problem);
    }

    const ParallelBatchOptions& options_;
    const PipelineSettings& settings_;
    std::vector<PipelineJob>& jobs_;
    BatchLedger* ledger_;
    ParallelBatchOutcome& outcome_;
    ConversionRun run_;
    std::vector<std::vector<size_t>> units_;
    std::atomic<size_t> nextUnit_{0};
    std::atomic<size_t> done_{0};
    std::atomic<bool> stopping_{false};
    std::mutex stopMutex_;
};

// Each handled entry's end, into the list and the outcome.
void collectResults(const BatchInputs& in, const ListPlan& plan, const FolderPhase& folders,
                    const ConversionRun& run, ParallelBatchOutcome& outcome) {
    const bool drawsText = in.job.text.drawn;
    for (size_t i = 0; i < folders.planned; ++i) {
        if (!outcome.inShare[i]) continue;
        SourceImageEntry& entry = in.list->entries[i];
        if (folders.refused[i]) {
            outcome.ends[i] = EntryEnd::Refused;
            entry.saved = 0;
            ++outcome.processed;
            outcome.refused.push_back(i);
            continue;
        }
        if (run.skipped[i]) {
            // Its result, made by an earlier run, carries the text this run would draw.
            if (drawsText) entry.overlayText = plan.jobs[i].overlayText;
            outcome.ends[i] = EntryEnd::Skipped;
            ++outcome.processed;
            outcome.skipped.push_back(i);
            continue;
        }
        if (!run.finished[i]) continue;
        const PipelineResult& result = run.results[i];
        if (result.textStepRan) entry.overlayText = plan.jobs[i].overlayText;
        if (result.firstFrameOnly) outcome.firstFrameOnly.push_back(i);
        ++outcome.processed;
        entry.saved = result.saved ? 1 : 0;
        outcome.problems[i] = result.problem;
        if (result.saved) ++outcome.saved;
        outcome.ends[i] = endOf(result);
        if (result.saved && result.copiedUnchanged) outcome.copiedUnchanged.push_back(i);
        else if (!result.loaded) outcome.unreadable.push_back(i);
        else outcome.unsaved.push_back(i);
    }
}

}  // namespace

bool entryFailed(EntryEnd end) {
    return end == EntryEnd::Refused || end == EntryEnd::Unreadable || end == EntryEnd::NotWritten;
}

ParallelBatchOutcome runParallelBatch(const BatchInputs& in, const ParallelBatchOptions& options) {
    ParallelBatchOutcome outcome;
    const size_t count = in.list->size();
    outcome.problems.resize(count);
    outcome.ends.assign(count, EntryEnd::NotHandled);

    ListPlan plan = planList(in, options.shard);
    outcome.nameKeepers = plan.nameKeepers;
    outcome.inShare = plan.inShare;
    outcome.total = size_t(std::count(outcome.inShare.begin(), outcome.inShare.end(), 1));

    OutputGuard guard(placementRecordOf(in.job), *in.list);
    const FolderPhase folders = prepareFolders(in, plan, guard, outcome.problems);
    outcome.destinationFailed = folders.destinationFailed;

    // What the manifest holds counts against the limit for the whole batch.
    MemoryBudget memory(options.memoryLimit ? options.memoryLimit : defaultMemoryLimit());
    std::optional<BatchLedger> ledger;
    if (options.ledger && !outcome.destinationFailed) {
        const MetadataOptions metadata{in.job.run.autoOrient, in.job.run.keepMetadata};
        ledger.emplace(*options.ledger, recordsOf(in.job), in.fontDpi, metadata, in.job.run.refinements, plan.jobs,
                       outcome.inShare);
        if (!ledger->start(guard.resultsRoot(), memory)) ledger.reset();
    }
    for (PipelineJob& job : plan.jobs) job.fingerprintSource = ledger.has_value();

    PipelineSettings settings = pipelineSettingsOf(in);
    settings.memory = &memory;
    // One core per worker; those that idle at the end go to the encoders still running.
    CoreShare cores(std::min(std::max(1, options.jobs), usableCores()));
    settings.cores = &cores;
    size_t toHandle = 0;
    for (size_t i = 0; i < folders.planned; ++i) toHandle += outcome.inShare[i] ? 1 : 0;
    const size_t refused = size_t(std::count(folders.refused.begin(), folders.refused.end(), 1));
    Conversion conversion(options, settings, plan.jobs, ledger ? &*ledger : nullptr, outcome);
    const ConversionRun run = conversion.run(folders.convert, refused, toHandle);

    collectResults(in, plan, folders, run, outcome);
    outcome.cancelled = conversion.cancelled() && outcome.processed < toHandle;
    if (options.onProgress) {
        const CaughtStop reported = runCatching([&] { options.onProgress(outcome.processed, outcome.total); });
        if (reported.stop != BatchStop::None && outcome.stop.stop == BatchStop::None) outcome.stop = reported;
    }
    return outcome;
}

}  // namespace tesselon

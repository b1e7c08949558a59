#include "processing/batch/parallel_batch.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/shard_share.h"
#include "processing/incremental/batch_ledger.h"
#include "processing/batch/source_load.h"
#include "processing/output/output_guard.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"

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

}  // namespace

ParallelBatchOutcome runParallelBatch(AppState& state, const ParallelBatchOptions& options) {
    ParallelBatchOutcome outcome;
    const size_t count = state.SourceImageList.size();
    state.settings.config.Cancelado = 0;
    const std::string temporary = temporaryFolder();
    const bool cycle = state.settings.texto.SoloMarcadeAgua == 0;

    outcome.problems.resize(count);

    // Every entry's plan, whether this run converts it or not: a shard's share, the
    // result names the entries share, and the phrase of each image follow from the
    // whole list.
    std::vector<PipelineJob> jobs;
    jobs.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t phrase = cycle ? phraseIndexForImage(i, state.PhrasesList.size()) : 0;
        jobs.push_back(jobForEntry(state, i, phrase, false, temporary));
    }
    {
        std::vector<std::string> savePaths, sourcePaths;
        savePaths.reserve(count);
        sourcePaths.reserve(count);
        for (const PipelineJob& job : jobs) {
            savePaths.push_back(job.plan.savePath);
            sourcePaths.push_back(job.plan.sourcePath);
        }
        outcome.nameKeepers = resultNameKeepers(savePaths, sourcePaths);
    }
    if (options.shard) outcome.inShare = shardShare(outcome.nameKeepers, *options.shard);
    else outcome.inShare.assign(count, 1);
    outcome.total = size_t(std::count(outcome.inShare.begin(), outcome.inShare.end(), 1));

    // Folders first, in list order: a folder that cannot be created ends the batch there,
    // and only the entries before it are converted, as one at a time.
    std::vector<char> refused(count, 0);
    std::vector<char> convert(count, 0);
    size_t planned = count;
    OutputGuard guard(state.settings.entorno, state.SourceImageList);
    for (size_t i = 0; i < count; ++i) {
        if (!outcome.inShare[i]) continue;
        if (!guard.prepareFolder(jobs[i].plan, state.settings.config.Cancelado, *state.frontend)) {
            outcome.destinationFailed = true;
            planned = i;
            break;
        }
        if (const std::optional<size_t> keeper = outcome.nameKeepers[i])
            outcome.problems[i] = "not written: its result '" + jobs[i].plan.savePath + "' is the result of '" +
                                  state.SourceImageList.entries[*keeper].path + "'";
        else
            outcome.problems[i] = guard.refusal(jobs[i].plan, i);
        refused[i] = outcome.problems[i].empty() ? 0 : 1;
        convert[i] = refused[i] ? 0 : 1;
        state.SourceImageList.entries[i].outputPath = jobs[i].plan.outputPath;
    }

    // What the manifest holds counts against the limit for the whole batch.
    MemoryBudget memory(options.memoryLimit ? options.memoryLimit : defaultMemoryLimit());
    std::optional<BatchLedger> ledger;
    if (options.ledger && !outcome.destinationFailed) {
        ledger.emplace(*options.ledger, state.settings, state.fontDpi, options.metadata, options.refinements, jobs,
                       outcome.inShare);
        if (!ledger->start(guard.resultsRoot(), memory)) ledger.reset();
    }
    for (PipelineJob& job : jobs) job.fingerprintSource = ledger.has_value();

    const std::vector<std::vector<size_t>> units = unitsToConvert(convert);
    PipelineSettings settings = pipelineSettingsOf(state);
    settings.memory = &memory;
    settings.metadata = options.metadata;
    settings.refinements = options.refinements;
    std::vector<PipelineResult> results(count);
    std::vector<char> finished(count, 0);
    std::vector<char> skipped(count, 0);
    std::atomic<size_t> nextUnit{0};
    size_t toHandle = 0;
    for (size_t i = 0; i < planned; ++i) toHandle += outcome.inShare[i] ? 1 : 0;
    // Refused entries count as handled from the start.
    std::atomic<size_t> done{size_t(std::count(refused.begin(), refused.end(), 1))};
    std::atomic<bool> stopping{false};
    std::mutex stopMutex;
    // The first exception stops the batch; the images in hand finish.
    auto stopWith = [&](const CaughtStop& caught, std::optional<size_t> at) {
        std::lock_guard lock(stopMutex);
        if (outcome.stop.stop == BatchStop::None) {
            outcome.stop = caught;
            outcome.stoppedAt = at;
        }
        stopping.store(true);
    };
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };
    auto ended = [&] { return cancelled() || stopping.load(); };

    auto work = [&] {
        // The buffers of one image serve the next one this worker takes.
        KeptBuffers buffers;
        for (;;) {
            if (ended()) return;
            const size_t u = nextUnit.fetch_add(1);
            if (u >= units.size()) return;
            std::optional<size_t> inHand;
            const CaughtStop caught = runCatching([&] {
                if (ledger && ledger->unitStands(units[u])) {
                    for (size_t i : units[u]) skipped[i] = 1;
                    done.fetch_add(units[u].size());
                    return;
                }
                for (size_t i : units[u]) {
                    inHand = i;
                    results[i] = processImage(settings, jobs[i], &buffers);
                    finished[i] = 1;
                    done.fetch_add(1);
                    if (results[i].stop.stop != BatchStop::None) {
                        stopWith(results[i].stop, i);
                        return;
                    }
                }
                // Recorded only now that the unit's result is in place.
                if (ledger) ledger->unitDone(units[u], results);
            });
            if (caught.stop != BatchStop::None) {
                stopWith(caught, inHand);
                return;
            }
        }
    };
    const int workers = std::max(1, std::min<int>(options.jobs, int(std::max<size_t>(units.size(), 1))));
    std::vector<std::thread> threads;
    const CaughtStop started = runCatching([&] {
        for (int t = 0; t < workers; ++t) threads.emplace_back(work);
    });
    if (started.stop != BatchStop::None) {
        if (threads.empty()) stopWith(started, std::nullopt);
        // Otherwise the workers there are convert the batch.
    }
    // Workers stop by themselves at the end, on cancel or on a stop; this thread only
    // reports, and whatever befalls it the workers are joined.
    const CaughtStop reporting = runCatching([&] {
        while (done.load() < toHandle && !ended()) {
            if (options.onProgress) options.onProgress(done.load(), outcome.total);
            std::this_thread::sleep_for(kProgressPeriod);
        }
    });
    if (reporting.stop != BatchStop::None) stopWith(reporting, std::nullopt);
    for (std::thread& t : threads) t.join();
    if (ledger) {
        const CaughtStop recorded = runCatching([&] { ledger->finish(); });
        if (recorded.stop != BatchStop::None) stopWith(recorded, std::nullopt);
    }

    const bool drawsText = textBeforeRotation(state.settings.image) || textAfterRotation(state.settings.image);
    for (size_t i = 0; i < planned; ++i) {
        if (!outcome.inShare[i]) continue;
        SourceImageEntry& entry = state.SourceImageList.entries[i];
        if (refused[i]) {
            entry.saved = 0;
            ++outcome.processed;
            outcome.refused.push_back(i);
            continue;
        }
        if (skipped[i]) {
            // Its result, made by an earlier run, carries the text this run would draw.
            if (drawsText) entry.overlayText = jobs[i].overlayText;
            ++outcome.processed;
            outcome.skipped.push_back(i);
            continue;
        }
        if (!finished[i]) continue;
        if (results[i].textStepRan) entry.overlayText = jobs[i].overlayText;
        if (results[i].firstFrameOnly) outcome.firstFrameOnly.push_back(i);
        ++outcome.processed;
        entry.saved = results[i].saved ? 1 : 0;
        outcome.problems[i] = results[i].problem;
        if (results[i].saved) ++outcome.saved;
        if (results[i].saved && results[i].copiedUnchanged) outcome.copiedUnchanged.push_back(i);
        else if (!results[i].loaded) outcome.unreadable.push_back(i);
        else outcome.unsaved.push_back(i);
    }
    outcome.cancelled = cancelled() && outcome.processed < toHandle;
    if (options.onProgress) {
        const CaughtStop reported = runCatching([&] { options.onProgress(outcome.processed, outcome.total); });
        if (reported.stop != BatchStop::None && outcome.stop.stop == BatchStop::None) outcome.stop = reported;
    }
    return outcome;
}

}  // namespace tesselon

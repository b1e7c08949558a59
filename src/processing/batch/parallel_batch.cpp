#include "processing/batch/parallel_batch.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/source_load.h"
#include "processing/output/output_guard.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(50);

// Entries that write the same file, in list order; units are ordered by their first
// entry. Refused entries are in none.
std::vector<std::vector<size_t>> unitsBySavePath(const std::vector<PipelineJob>& jobs, const std::vector<char>& refused) {
    std::vector<std::vector<size_t>> units;
    std::map<std::string, size_t> unitOfPath;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (refused[i]) continue;
        auto [it, added] = unitOfPath.emplace(jobs[i].plan.savePath, units.size());
        if (added) units.emplace_back();
        units[it->second].push_back(i);
    }
    return units;
}

}  // namespace

ParallelBatchOutcome runParallelBatch(AppState& state, const ParallelBatchOptions& options) {
    ParallelBatchOutcome outcome;
    outcome.total = state.SourceImageList.size();
    state.settings.config.Cancelado = 0;
    const std::string temporary = temporaryFolder();
    const bool cycle = state.settings.texto.SoloMarcadeAgua == 0;

    outcome.problems.resize(outcome.total);

    // Plans and folders first, in list order: a folder that cannot be created ends the
    // batch there, and only the entries before it are converted, as one at a time.
    std::vector<PipelineJob> jobs;
    jobs.reserve(outcome.total);
    std::vector<char> refused;
    OutputGuard guard(state.settings.entorno, state.SourceImageList);
    for (size_t i = 0; i < outcome.total; ++i) {
        const size_t phrase = cycle ? phraseIndexForImage(i, state.PhrasesList.size()) : 0;
        PipelineJob job = jobForEntry(state, i, phrase, false, temporary);
        if (!guard.prepareFolder(job.plan, state.settings.config.Cancelado, *state.frontend)) {
            outcome.destinationFailed = true;
            break;
        }
        outcome.problems[i] = guard.refusal(job.plan, i);
        refused.push_back(outcome.problems[i].empty() ? 0 : 1);
        state.SourceImageList.entries[i].outputPath = job.plan.outputPath;
        jobs.push_back(std::move(job));
    }

    const std::vector<std::vector<size_t>> units = unitsBySavePath(jobs, refused);
    MemoryBudget memory(options.memoryLimit ? options.memoryLimit : defaultMemoryLimit());
    PipelineSettings settings = pipelineSettingsOf(state);
    settings.memory = &memory;
    settings.metadata = options.metadata;
    std::vector<PipelineResult> results(jobs.size());
    std::vector<char> finished(jobs.size(), 0);
    std::atomic<size_t> nextUnit{0};
    // Refused entries count as handled from the start.
    std::atomic<size_t> done{size_t(std::count(refused.begin(), refused.end(), 1))};
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };

    auto work = [&] {
        // The buffers of one image serve the next one this worker takes.
        KeptBuffers buffers;
        for (;;) {
            if (cancelled()) return;
            const size_t u = nextUnit.fetch_add(1);
            if (u >= units.size()) return;
            for (size_t i : units[u]) {
                results[i] = processImage(settings, jobs[i], &buffers);
                finished[i] = 1;
                done.fetch_add(1);
            }
        }
    };
    const int workers = std::max(1, std::min<int>(options.jobs, int(std::max<size_t>(units.size(), 1))));
    std::vector<std::thread> threads;
    for (int t = 0; t < workers; ++t) threads.emplace_back(work);
    // Workers stop by themselves at the end or on cancel; this thread only reports.
    while (done.load() < jobs.size() && !cancelled()) {
        if (options.onProgress) options.onProgress(done.load(), outcome.total);
        std::this_thread::sleep_for(kProgressPeriod);
    }
    for (std::thread& t : threads) t.join();

    std::vector<std::string> savePaths;
    std::vector<bool> written;
    for (size_t i = 0; i < jobs.size(); ++i) {
        savePaths.push_back(jobs[i].plan.savePath);
        written.push_back(finished[i] && results[i].saved);
    }
    outcome.replacedBy = replacedResults(savePaths, written);
    outcome.replacedBy.resize(outcome.total);

    for (size_t i = 0; i < jobs.size(); ++i) {
        SourceImageEntry& entry = state.SourceImageList.entries[i];
        if (refused[i]) {
            entry.saved = 0;
            ++outcome.processed;
            outcome.refused.push_back(i);
            continue;
        }
        if (!finished[i]) continue;
        if (results[i].textStepRan) entry.overlayText = jobs[i].overlayText;
        if (results[i].firstFrameOnly) outcome.firstFrameOnly.push_back(i);
        ++outcome.processed;
        if (const std::optional<size_t> by = outcome.replacedBy[i]) {
            entry.saved = 0;
            outcome.replaced.push_back(i);
            outcome.problems[i] = "its result '" + jobs[i].plan.savePath + "' was replaced by that of '" +
                                  state.SourceImageList.entries[*by].path + "'";
            continue;
        }
        entry.saved = results[i].saved ? 1 : 0;
        outcome.problems[i] = results[i].problem;
        if (results[i].saved) ++outcome.saved;
        else if (!results[i].loaded) outcome.unreadable.push_back(i);
        else outcome.unsaved.push_back(i);
    }
    outcome.cancelled = cancelled() && outcome.processed < jobs.size();
    if (options.onProgress) options.onProgress(outcome.processed, outcome.total);
    return outcome;
}

}  // namespace tesselon

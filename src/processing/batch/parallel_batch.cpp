#include "processing/batch/parallel_batch.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "processing/output/destination_folder.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(50);

// Entries that write the same file, in list order; units are ordered by their first entry.
std::vector<std::vector<size_t>> unitsBySavePath(const std::vector<PipelineJob>& jobs) {
    std::vector<std::vector<size_t>> units;
    std::map<std::string, size_t> unitOfPath;
    for (size_t i = 0; i < jobs.size(); ++i) {
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

    // Plans and folders first, in list order: a folder that cannot be created ends the
    // batch there, and only the entries before it are converted, as one at a time.
    std::vector<PipelineJob> jobs;
    jobs.reserve(outcome.total);
    std::set<std::string> readyFolders;
    for (size_t i = 0; i < outcome.total; ++i) {
        const size_t phrase = cycle ? phraseIndexForImage(i, state.PhrasesList.size()) : 0;
        PipelineJob job = jobForEntry(state, i, phrase, false, temporary);
        if (!job.plan.overwrite && !readyFolders.count(job.plan.destinationFolder)) {
            if (!ensureDestinationFolder(job.plan, state.settings.config.Cancelado, *state.frontend)) {
                outcome.destinationFailed = true;
                break;
            }
            readyFolders.insert(job.plan.destinationFolder);
        }
        state.SourceImageList.entries[i].outputPath = job.plan.outputPath;
        jobs.push_back(std::move(job));
    }

    const std::vector<std::vector<size_t>> units = unitsBySavePath(jobs);
    const PipelineSettings settings = pipelineSettingsOf(state);
    std::vector<PipelineResult> results(jobs.size());
    std::vector<char> finished(jobs.size(), 0);
    std::atomic<size_t> nextUnit{0};
    std::atomic<size_t> done{0};
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };

    auto work = [&] {
        // The buffers of one image serve the next one this worker takes.
        BufferPool buffers;
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

    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!finished[i]) continue;
        SourceImageEntry& entry = state.SourceImageList.entries[i];
        entry.saved = results[i].saved ? 1 : 0;
        if (results[i].textStepRan) entry.overlayText = jobs[i].overlayText;
        ++outcome.processed;
        if (results[i].saved) ++outcome.saved;
        else if (!results[i].loaded) outcome.unreadable.push_back(i);
        else outcome.unsaved.push_back(i);
    }
    outcome.cancelled = cancelled() && outcome.processed < jobs.size();
    if (options.onProgress) options.onProgress(outcome.processed, outcome.total);
    return outcome;
}

}  // namespace tesselon

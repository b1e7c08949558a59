#include "processing/batch/run_batch.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/frontend.h"
#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/batch_status.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/preview_image.h"
#include "processing/batch/source_load.h"
#include "processing/output/destination_folder.h"
#include "processing/output/output_guard.h"
#include "processing/output/output_plan.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/threads/parallel_bands.h"
#include "sources/remote_names.h"

namespace tesselon {

namespace {

constexpr double kPumpWhileWorkingMs = 5;

// Runs `work` on a worker thread while this thread keeps the windows alive; `poll` runs
// on this thread after every pump and once more when the work is done.
template <typename Work, typename Poll>
void runKeepingWindowsAlive(Frontend& ui, Work work, Poll poll) {
    std::atomic<bool> done{false};
    std::optional<std::thread> worker;
    try {
        worker.emplace([&] {
            work();
            done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work runs here, with the windows still for its length.
        work();
        done.store(true);
    }
    while (!done.load(std::memory_order_acquire)) {
        ui.waitPumpingEvents(kPumpWhileWorkingMs);
        poll();
    }
    if (worker) worker->join();
    poll();
}

// The loaded source image handed from the worker to this thread for the source pane.
class SourceSlot {
public:
    void put(ImageObject&& image) {
        std::lock_guard lock(mutex_);
        image_ = std::move(image);
    }
    std::optional<ImageObject> take() {
        std::lock_guard lock(mutex_);
        std::optional<ImageObject> out = std::move(image_);
        image_.reset();
        return out;
    }

private:
    std::mutex mutex_;
    std::optional<ImageObject> image_;
};

// The entry as the user knows it: its path below the source folder (for an FTP source,
// its remote path), as valid text.
std::string entryName(const OutputPlan& plan) {
    std::string_view path = plan.sourcePath;
    if (!plan.sourceRoot.empty() && path.substr(0, plan.sourceRoot.size()) == plan.sourceRoot)
        path.remove_prefix(plan.sourceRoot.size());
    return displayName(path);
}

// Why an entry could not be read: for an FTP source, a missing file is one the download
// has not fetched.
ImageFailure readFailure(const STRProcesosEntorno& env, ImageFailure why) {
    return why == ImageFailure::Missing && env.LocalRemoto == "R" ? ImageFailure::NotDownloaded : why;
}

// What a batch wrote where, for the status line and the box at its end.
struct BatchRecord {
    explicit BatchRecord(AppState& s) : state(s), guard(s.settings.entorno, s.SourceImageList) {
        tally.textCut = overlayTextCut(s.settings, s.PhrasesList, s.DefaultWatermarkText);
        // A warning of an earlier batch must not stand for this one.
        s.frontend->setStatusLine(true, "");
    }

    // Entries are noted in list order from the first.
    void note(const OutputPlan& plan, const PipelineResult& result, bool refused) {
        savePaths.push_back(plan.savePath);
        written.push_back(result.saved);
        names.push_back(entryName(plan));
        ImageFailure why = ImageFailure::None;
        if (refused) {
            ++tally.refused;
            why = ImageFailure::WouldReplaceOther;
        } else if (!result.saved) {
            ++tally.failed;
            why = result.failure == ImageFailure::None ? ImageFailure::NotWritten
                                                       : readFailure(state.settings.entorno, result.failure);
        }
        failures.push_back(why);
        if (result.firstFrameOnly) ++tally.firstFrameOnly;
    }

    // Earlier results that a later image with the same output replaced are not saved.
    void finish() {
        const std::vector<std::optional<size_t>> replacedBy = replacedResults(savePaths, written);
        for (size_t i = 0; i < replacedBy.size(); ++i) {
            if (!replacedBy[i]) continue;
            state.SourceImageList.entries[i].saved = 0;
            failures[i] = ImageFailure::ReplacedByLater;
            ++tally.replaced;
        }
        const std::string text = batchStatusText(tally);
        if (!text.empty()) state.frontend->setStatusLine(false, text);
    }

    // How the batch went, once every entry is noted.
    BatchEnd end() const {
        BatchEnd out;
        out.total = state.SourceImageList.size();
        for (size_t i = 0; i < failures.size(); ++i) {
            if (failures[i] == ImageFailure::None)
                ++out.converted;
            else
                out.failed.push_back(FailedImage{names[i], failures[i]});
        }
        return out;
    }

    AppState& state;
    OutputGuard guard;
    BatchTally tally;
    std::vector<std::string> savePaths;
    std::vector<bool> written;
    std::vector<std::string> names;
    std::vector<ImageFailure> failures;
};

void showSavedResult(AppState& state, const std::string& path) {
    if (std::optional<ImageObject> saved = loadImage(path, state.codecs)) state.frontend->showPreviewImage(*saved, 1);
}

// The settings of the chain for this run: one image at a time, on every core.
PipelineSettings settingsForOneAtATime(const AppState& state) {
    PipelineSettings settings = pipelineSettingsOf(state);
    settings.threads = usableCores();
    return settings;
}

// The current entry, made in memory: nothing is written, not even its destination folder.
void previewCurrentEntry(AppState& state) {
    Frontend& ui = *state.frontend;
    SourceImageList& list = state.SourceImageList;
    const size_t index = list.current < list.size() ? list.current : 0;
    const PipelineJob job = jobForEntry(state, index, 0, true, temporaryFolder());
    SourceImageEntry& entry = list.entries[index];
    entry.outputPath = job.plan.outputPath;

    PreviewCache& cache = state.preview;
    const PipelineSettings settings = settingsForOneAtATime(state);
    std::atomic<bool> sourceReady{false};
    PreviewImage preview;
    runKeepingWindowsAlive(
        ui, [&] { preview = renderPreview(cache, settings, job, &sourceReady); },
        [&] {
            // Shown while the operations still run, and only when it is not shown already.
            if (!sourceReady.load(std::memory_order_acquire) || cache.sourceShown || !cache.source) return;
            ui.showPreviewImage(*cache.source, 0);
            cache.sourceShown = true;
        });

    if (preview.textStepRan) entry.overlayText = job.overlayText;
    ui.setImageCounter(imageCounterText(index + 1, list.size()));
    entry.saved = preview.result ? 1 : 0;
    if (!preview.loaded) {
        // The panes must not go on showing the entry shown before under this one's number.
        ui.showUnreadableSource(entryName(job.plan),
                                readFailure(state.settings.entorno, unreadableSourceReason(job.plan.sourcePath)));
        cache.sourceShown = false;
    }
    if (preview.result) {
        ui.showPreviewImage(*preview.result, 1);
        cache.buffers.give(*preview.result);
    }
    // ">" is the likely next step: its image is decoded while the user looks at this one.
    if (list.size() > 1) {
        const size_t next = index + 1 < list.size() ? index + 1 : 0;
        decodeAhead(cache, sourcePathOf(state.settings.entorno, list.entries[next]), state.codecs);
    }
    ui.waitPumpingEvents(1);
}

// Every entry in order, with progress in the counter and CANCELAR honoured between images.
// Answers how the batch went.
BatchEnd convertAll(AppState& state) {
    Frontend& ui = *state.frontend;
    SourceImageList& list = state.SourceImageList;
    const size_t total = list.size();
    const std::string temporary = temporaryFolder();
    // The limit the terminal's batches have by default; the buffers kept from one
    // image for the next count against it.
    MemoryBudget memory(defaultMemoryLimit());
    PipelineSettings settings = settingsForOneAtATime(state);
    settings.memory = &memory;
    KeptBuffers buffers;
    BatchRecord record(state);
    std::optional<size_t> lastShown;
    size_t phraseIndex = 0;
    for (size_t index = 0; index < total; ++index) {
        PipelineJob job = jobForEntry(state, index, phraseIndex, false, temporary);
        if (!record.guard.prepareFolder(job.plan, state.settings.config.Cancelado, ui)) break;
        SourceImageEntry& entry = list.entries[index];
        entry.outputPath = job.plan.outputPath;

        // The preview checkbox may change while the batch runs; it counts for each image.
        const bool showPanes = state.settings.entorno.Preview != 0;
        SourceSlot slot;
        if (showPanes) job.onSourceLoaded = [&slot](ImageObject&& image) { slot.put(std::move(image)); };
        const bool refused = !record.guard.refusal(job.plan, index).empty();
        PipelineResult result;
        if (!refused) {
            runKeepingWindowsAlive(
                ui, [&] { result = processImage(settings, job, &buffers); },
                [&] {
                    if (std::optional<ImageObject> source = slot.take()) {
                        ui.showPreviewImage(*source, 0);
                        state.preview.sourceShown = false;
                        lastShown = index;
                    }
                });
        }
        record.note(job.plan, result, refused);
        if (result.textStepRan) entry.overlayText = job.overlayText;
        ui.setImageCounter(imageCounterText(index + 1, total));
        entry.saved = result.saved ? 1 : 0;
        if (result.saved && showPanes) showSavedResult(state, job.plan.savePath);
        if (!refused && !result.loaded && showPanes) {
            ui.showUnreadableSource(record.names.back(), record.failures.back());
            state.preview.sourceShown = false;
            lastShown = index;
        }

        if (!state.settings.texto.SoloMarcadeAgua) {
            ++phraseIndex;
            if (phraseIndex >= state.PhrasesList.size()) phraseIndex = 0;
        }
        ui.waitPumpingEvents(1);
        if (state.settings.config.Cancelado == 1) break;
    }
    record.finish();
    // The counter goes back to the entry the panes show: the last one the batch showed
    // there, else the current one, whose preview they still hold.
    if (lastShown) list.current = *lastShown;
    ui.showCounts(int(list.current));
    return record.end();
}

}  // namespace

void runBatch(AppState& state, bool previewOnly) {
    Frontend& ui = *state.frontend;
    ui.readControlsIntoSettings();
    const size_t total = state.SourceImageList.size();
    if (total == 0) {
        ui.clearSourcePane();
        ui.refreshTextSample();
    }

    if (previewOnly) {
        if (total > 0) previewCurrentEntry(state);
        ui.setBatchRunning(false);
        return;
    }
    if (checkBatchPreconditions(state) != BatchGate::Proceed) return;
    ui.setBatchRunning(true);
    state.settings.config.Cancelado = 0;
    ui.waitPumpingEvents(5);
    const BatchEnd end = convertAll(state);
    if (state.settings.config.Cancelado == 0) ui.showBatchEnd(end);
    ui.setBatchRunning(false);
}

}  // namespace tesselon

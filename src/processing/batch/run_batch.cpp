#include "processing/batch/run_batch.h"

#include <algorithm>
#include <exception>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/frontend.h"
#include "core/state.h"
#include "processing/batch/batch_exceptions.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/batch_status.h"
#include "processing/batch/image_workers.h"
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
    // An exception of the work is thrown again here, once the worker has ended.
    std::exception_ptr failure;
    try {
        worker.emplace([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
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
    if (failure) std::rethrow_exception(failure);
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
std::string entryName(std::string_view sourcePath, std::string_view sourceRoot) {
    if (!sourceRoot.empty() && sourcePath.substr(0, sourceRoot.size()) == sourceRoot)
        sourcePath.remove_prefix(sourceRoot.size());
    return displayName(sourcePath);
}

std::string entryName(const OutputPlan& plan) { return entryName(plan.sourcePath, plan.sourceRoot); }

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

    // Entries are noted in list order from the first. `refusal` says why one was not
    // handed out; `keptBy` names the entry that keeps its result's name.
    void note(const OutputPlan& plan, const PipelineResult& result, ImageFailure refusal, std::string keptBy) {
        names.push_back(entryName(plan));
        keptByNames.push_back(std::move(keptBy));
        ImageFailure why = refusal;
        if (refusal == ImageFailure::ResultNameTaken) {
            ++tally.sameName;
        } else if (refusal != ImageFailure::None) {
            ++tally.refused;
        } else if (!result.saved) {
            ++tally.failed;
            why = result.failure == ImageFailure::None ? ImageFailure::NotWritten
                                                       : readFailure(state.settings.entorno, result.failure);
        }
        failures.push_back(why);
        if (result.firstFrameOnly) ++tally.firstFrameOnly;
        if (result.saved && result.copiedUnchanged) ++tally.copiedUnchanged;
    }

    void finish() {
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
                out.failed.push_back(FailedImage{names[i], failures[i], keptByNames[i]});
        }
        out.stop = stop;
        return out;
    }

    AppState& state;
    OutputGuard guard;
    BatchTally tally;
    std::vector<std::string> names;
    std::vector<std::string> keptByNames;
    std::vector<ImageFailure> failures;
    BatchStop stop = BatchStop::None;
};

// The settings of the chain for this run: one image at a time, on every core.
PipelineSettings settingsForOneAtATime(const AppState& state) {
    PipelineSettings settings = pipelineSettingsOf(state);
    settings.threads = usableCores();
    return settings;
}

// The quick look of an entry handed from the worker to this thread.
class QuickSlot {
public:
    void put(QuickPreview&& quick) {
        std::lock_guard lock(mutex_);
        quick_ = std::move(quick);
    }
    std::optional<QuickPreview> take() {
        std::lock_guard lock(mutex_);
        std::optional<QuickPreview> out = std::move(quick_);
        quick_.reset();
        return out;
    }

private:
    std::mutex mutex_;
    std::optional<QuickPreview> quick_;
};

// The current entry, made in memory: nothing is written, not even its destination folder.
// A source that takes long to decode shows a quick picture first, marked as such until
// the exact one replaces it.
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
    QuickSlot quickSlot;
    bool refining = false;
    PreviewImage preview;
    runKeepingWindowsAlive(
        ui,
        [&] {
            preview = renderPreview(cache, settings, job, &sourceReady,
                                    [&quickSlot](QuickPreview&& quick) { quickSlot.put(std::move(quick)); });
        },
        [&] {
            const bool ready = sourceReady.load(std::memory_order_acquire);
            if (std::optional<QuickPreview> quick = quickSlot.take()) {
                if (!ready) ui.showPreviewImage(quick->source, 0);
                if (quick->result) ui.showPreviewImage(*quick->result, 1);
                ui.showPreviewRefining(true);
                refining = true;
            }
            // Shown while the operations still run, and only when it is not shown already.
            if (!ready || cache.sourceShown || !cache.source) return;
            ui.showPreviewImage(*cache.source, 0);
            cache.sourceShown = true;
        });

    if (preview.textStepRan) entry.overlayText = job.overlayText;
    ui.setImageCounter(imageCounterText(index + 1, list.size()));
    entry.saved = preview.result ? 1 : 0;
    if (!preview.loaded) {
        // The panes must not go on showing the entry shown before under this one's number.
        ui.showUnreadableSource(entryName(job.plan),
                                readFailure(state.settings.entorno, unreadableSourceReason(job.plan.sourcePath, &state.codecs)));
        cache.sourceShown = false;
    }
    if (preview.result) {
        ui.showPreviewImage(*preview.result, 1);
        cache.buffers.give(*preview.result);
    }
    if (refining) {
        ui.showPreviewRefining(false);
        // The quick picture must not stay in the result pane as if it were the result.
        if (preview.loaded && !preview.result) ui.refreshTextSample();
    }
    // ">" is the likely next step: its image is decoded while the user looks at this one.
    if (list.size() > 1) {
        const size_t next = index + 1 < list.size() ? index + 1 : 0;
        decodeAhead(cache, sourcePathOf(state.settings.entorno, list.entries[next]), state.codecs);
    }
    ui.waitPumpingEvents(1);
}

// The preview of the current entry was stopped by an exception: the panes say so
// rather than show an earlier entry under this one's number.
void showPreviewStopped(AppState& state, BatchStop stop) {
    runCatching([&] {
        SourceImageList& list = state.SourceImageList;
        const size_t index = list.current < list.size() ? list.current : 0;
        const OutputPlan plan = planOutput(state.settings.entorno, list.entries[index], temporaryFolder(), true);
        state.frontend->showUnreadableSource(entryName(plan), stop == BatchStop::OutOfMemory
                                                                  ? ImageFailure::OverMemoryLimit
                                                                  : ImageFailure::ProcessingFailed);
        state.preview.sourceShown = false;
    });
}

// An entry of the batch as handed to the workers: what its delivery needs of its job.
struct EntryInHand {
    OutputPlan plan;
    std::string overlayText;
    bool refused = false;
    ImageFailure refusal = ImageFailure::None;  // why it is refused
    std::string keptBy;  // ResultNameTaken: the entry that keeps the result's name
    bool showPanes = false;  // the preview checkbox as it stood when the entry was handed out
    std::shared_ptr<SourceSlot> source;
};

// Every entry, made by as many workers as there are cores while this thread keeps the
// window alive and delivers the entries in list order: progress in the counter, the
// panes, the status and the results come one entry after the other as they would one
// at a time. CANCELAR is honoured between entries: the images in hand finish, no other
// starts. Answers how the batch went.
BatchEnd convertAll(AppState& state) {
    Frontend& ui = *state.frontend;
    SourceImageList& list = state.SourceImageList;
    const size_t total = list.size();
    const std::string temporary = temporaryFolder();
    // The limit the terminal's batches have by default; the buffers kept from one
    // image for the next count against it.
    MemoryBudget memory(defaultMemoryLimit());
    const int cores = usableCores();
    const int workerCount = int(std::clamp<size_t>(total, 1, size_t(cores)));
    PipelineSettings settings = pipelineSettingsOf(state);
    settings.threads = std::max(1, cores / workerCount);
    settings.memory = &memory;
    BatchRecord record(state);
    // Of entries whose results would have one name, only the keeper is written.
    const PlannedNames planned = plannedNamesOf(state);
    const std::vector<std::optional<size_t>> keepers = resultNameKeepers(planned.savePaths, planned.sourcePaths);
    const std::string sourceRoot = sourceRootOf(state.settings.entorno);
    std::optional<size_t> lastShown;
    const bool cycle = !state.settings.texto.SoloMarcadeAgua;
    auto cancelPressed = [&] { return state.settings.config.Cancelado == 1; };

    std::vector<EntryInHand> entries;
    entries.reserve(total);  // never moves: deliveries hold references into it
    size_t next = 0;          // the entry delivered next
    bool handingOut = true;
    ImageWorkers workers(settings, workerCount);

    // Hands out entries in list order while a worker is free or about to be: one more
    // than the workers waits, so that none idles between images.
    auto handOut = [&] {
        while (handingOut && entries.size() < total && workers.pending() <= size_t(workerCount)) {
            const size_t index = entries.size();
            // The first entry runs whatever happened before it, as one at a time.
            if (index > 0 && cancelPressed()) {
                handingOut = false;
                return;
            }
            const size_t phrase = cycle ? phraseIndexForImage(index, state.PhrasesList.size()) : 0;
            PipelineJob job = jobForEntry(state, index, phrase, false, temporary);
            if (!record.guard.prepareFolder(job.plan, state.settings.config.Cancelado, ui)) {
                handingOut = false;
                return;
            }
            list.entries[index].outputPath = job.plan.outputPath;
            EntryInHand entry;
            entry.plan = job.plan;
            entry.overlayText = job.overlayText;
            entry.showPanes = state.settings.entorno.Preview != 0;
            if (const std::optional<size_t> keeper = keepers[index]) {
                entry.refusal = ImageFailure::ResultNameTaken;
                entry.keptBy = entryName(planned.sourcePaths[*keeper], sourceRoot);
            } else if (!record.guard.refusal(job.plan, index).empty()) {
                entry.refusal = ImageFailure::WouldReplaceOther;
            }
            entry.refused = entry.refusal != ImageFailure::None;
            if (entry.showPanes && !entry.refused) {
                entry.source = std::make_shared<SourceSlot>();
                job.onSourceLoaded = [slot = entry.source](ImageObject&& image) { slot->put(std::move(image)); };
            }
            if (!entry.refused) workers.submit(index, std::move(job), entry.showPanes);
            entries.push_back(std::move(entry));
        }
    };
    auto showSource = [&](size_t index) {
        if (!entries[index].source) return;
        if (std::optional<ImageObject> source = entries[index].source->take()) {
            ui.showPreviewImage(*source, 0);
            state.preview.sourceShown = false;
            lastShown = index;
        }
    };
    auto afterPump = [&] {
        if (cancelPressed()) {
            workers.dropQueued();
            handingOut = false;
        }
        handOut();
    };

    ui.showBatchProgress(0, total);
    handOut();
    while (next < entries.size()) {
        const size_t index = next;
        const EntryInHand& hand = entries[index];
        std::optional<ImageWork> work;
        if (!hand.refused) {
            while (!workers.finished(index)) {
                ui.waitPumpingEvents(kPumpWhileWorkingMs);
                showSource(index);
                afterPump();
            }
            showSource(index);
            work = workers.take(index);
            // Not started before CANCELAR: the batch ends before it.
            if (!work) break;
        }
        const PipelineResult result = work ? std::move(work->result) : PipelineResult{};
        record.note(hand.plan, result, hand.refusal, hand.keptBy);
        if (result.stop.stop != BatchStop::None && record.stop == BatchStop::None) {
            // The images in hand finish; no other starts.
            record.stop = result.stop.stop;
            workers.dropQueued();
            handingOut = false;
        }
        SourceImageEntry& entry = list.entries[index];
        if (result.textStepRan) entry.overlayText = hand.overlayText;
        ui.setImageCounter(imageCounterText(index + 1, total));
        ui.showBatchProgress(index + 1, total);
        entry.saved = result.saved ? 1 : 0;
        if (work && work->saved && hand.showPanes) ui.showPreviewImage(*work->saved, 1);
        if (!hand.refused && !result.loaded && hand.showPanes) {
            ui.showUnreadableSource(record.names.back(), record.failures.back());
            state.preview.sourceShown = false;
            lastShown = index;
        }
        ++next;
        ui.waitPumpingEvents(1);
        afterPump();
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
        if (total > 0) {
            const CaughtStop caught = runCatching([&] { previewCurrentEntry(state); });
            if (caught.stop != BatchStop::None) showPreviewStopped(state, caught.stop);
        }
        ui.setBatchRunning(false);
        return;
    }
    if (checkBatchPreconditions(state) != BatchGate::Proceed) return;
    ui.setBatchRunning(true);
    state.settings.config.Cancelado = 0;
    ui.waitPumpingEvents(5);
    BatchEnd end;
    const CaughtStop caught = runCatching([&] { end = convertAll(state); });
    if (caught.stop != BatchStop::None) {
        // Stopped on this thread: the entries say what was saved before.
        end = BatchEnd{};
        end.total = state.SourceImageList.size();
        for (const SourceImageEntry& entry : state.SourceImageList.entries) end.converted += entry.saved == 1;
        end.stop = caught.stop;
    }
    // A stop is told even when CANCELAR was pressed meanwhile.
    if (state.settings.config.Cancelado == 0 || end.stop != BatchStop::None) ui.showBatchEnd(end);
    ui.setBatchRunning(false);
}

}  // namespace tesselon

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
#include "core/cancel_token.h"
#include "core/image_list.h"
#include "core/preview_cache.h"
#include "core/records.h"
#include "processing/batch/batch_exceptions.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/batch_status.h"
#include "processing/batch/image_workers.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/preview_ahead.h"
#include "processing/batch/preview_image.h"
#include "processing/batch/source_load.h"
#include "processing/output/destination_folder.h"
#include "processing/output/output_guard.h"
#include "processing/output/output_plan.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/threads/core_share.h"
#include "runtime/threads/parallel_bands.h"
#include "settings/job_of.h"
#include "sources/remote_names.h"

namespace tesselon {

namespace {

constexpr double kPumpWhileWorkingMs = 5;

// The window's job as its settings stand when the batch or the preview starts.
BatchInputs inputsOf(const DesktopBatch& parts) {
    BatchInputs in;
    in.job = jobOf(*parts.settings);
    in.list = parts.list;
    in.phrases = parts.phrases;
    in.defaultWatermark = parts.defaultWatermark;
    in.fontDpi = parts.fontDpi;
    in.codecs = parts.codecs;
    in.frontend = parts.frontend;
    return in;
}

// The source pane's picture of the loaded image, handed from the worker to this thread.
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
    explicit BatchRecord(const DesktopBatch& p) : parts(p), guard(p.settings->entorno, *p.list) {
        tally.textCut = overlayTextCut(*p.settings, *p.phrases, p.defaultWatermark);
        // A warning of an earlier batch must not stand for this one.
        p.frontend->setStatusLine(true, "");
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
                                                       : readFailure(parts.settings->entorno, result.failure);
        }
        failures.push_back(why);
        if (result.firstFrameOnly) ++tally.firstFrameOnly;
        if (result.saved && result.copiedUnchanged) ++tally.copiedUnchanged;
    }

    void finish() {
        const std::string text = batchStatusText(tally);
        if (!text.empty()) parts.frontend->setStatusLine(false, text);
    }

    // How the batch went, once every entry is noted.
    BatchEnd end() const {
        BatchEnd out;
        out.total = parts.list->size();
        for (size_t i = 0; i < failures.size(); ++i) {
            if (failures[i] == ImageFailure::None)
                ++out.converted;
            else
                out.failed.push_back(FailedImage{names[i], failures[i], keptByNames[i]});
        }
        out.stop = stop;
        return out;
    }

    const DesktopBatch& parts;
    OutputGuard guard;
    BatchTally tally;
    std::vector<std::string> names;
    std::vector<std::string> keptByNames;
    std::vector<ImageFailure> failures;
    BatchStop stop = BatchStop::None;
};

// The entries a preview prepares besides the shown one: the one ">" leads to, then the
// one "<" leads to.
std::vector<size_t> neighboursOf(size_t index, size_t count) {
    std::vector<size_t> out;
    if (count < 2) return out;
    out.push_back(index + 1 < count ? index + 1 : 0);
    const size_t previous = index > 0 ? index - 1 : count - 1;
    if (previous != out.front()) out.push_back(previous);
    return out;
}

// The entry the panes show, then its neighbours: what the preview prepares.
std::vector<PreviewWish> wishesAround(const BatchInputs& in, size_t index, PreviewWish shown,
                                      const std::string& temporary) {
    std::vector<PreviewWish> wishes{std::move(shown)};
    for (const size_t neighbour : neighboursOf(index, in.list->size())) {
        PipelineJob neighbourJob = jobForEntry(in, neighbour, 0, true, temporary);
        const SourceFileIdentity neighbourId = identifySourceFile(neighbourJob.plan.sourcePath);
        wishes.push_back(PreviewWish{neighbourId, std::move(neighbourJob)});
    }
    return wishes;
}

// After a batch, the preview is prepared again around the entry the panes show, as if
// the user had just moved onto it, so that the next move or setting change finds it
// made; nothing is shown.
void prepareAroundCurrent(const DesktopBatch& parts) {
    SourceImageList& list = *parts.list;
    if (!parts.preview || !parts.preview->preparer || list.empty()) return;
    const size_t index = list.current < list.size() ? list.current : 0;
    const BatchInputs in = inputsOf(parts);
    const std::string temporary = temporaryFolder();
    PipelineJob job = jobForEntry(in, index, 0, true, temporary);
    const SourceFileIdentity id = identifySourceFile(job.plan.sourcePath);
    parts.preview->preparer->want(pipelineSettingsOf(in),
                                  wishesAround(in, index, PreviewWish{id, std::move(job)}, temporary));
}

// The current entry, made in memory: nothing is written, not even its destination folder.
// Its neighbours are prepared meanwhile and go on being prepared while the user looks.
// A picture that takes long shows a quick one first, marked as such until the exact one
// replaces it. A refresh the user has moved on from stops waiting and shows no more.
void previewCurrentEntry(const DesktopBatch& parts) {
    Frontend& ui = *parts.frontend;
    SourceImageList& list = *parts.list;
    const size_t index = list.current < list.size() ? list.current : 0;
    const BatchInputs in = inputsOf(parts);
    const std::string temporary = temporaryFolder();
    const PipelineJob job = jobForEntry(in, index, 0, true, temporary);
    SourceImageEntry& entry = list.entries[index];
    entry.outputPath = job.plan.outputPath;

    PreviewCache& cache = *parts.preview;
    PreviewPreparer& preparer = preparerOf(cache);
    const SourceFileIdentity id = identifySourceFile(job.plan.sourcePath);
    preparer.want(pipelineSettingsOf(in), wishesAround(in, index, PreviewWish{id, job}, temporary));
    if (!(cache.identity == id) || id.size < 0) {
        cache.identity = id;
        cache.sourceShown = false;
    }

    cache.superseded = false;
    PreparedPreview made;
    for (;;) {
        made = preparer.shown();
        if (std::optional<QuickPreview> quick = preparer.takeQuick()) {
            if (!made.decoded && quick->source.valid()) ui.showPreviewImage(quick->source, 0);
            if (quick->result) ui.showPreviewImage(*quick->result, 1);
            ui.showPreviewRefining(true);
            cache.refining = true;
        }
        // Shown while the operations still run, and only when it is not shown already.
        if (made.source && !cache.sourceShown) {
            ui.showPreviewImage(made.paneSource ? *made.paneSource : *made.source, 0);
            cache.sourceShown = true;
        }
        if (made.resultMade || (made.decoded && !made.source)) break;
        ui.waitPumpingEvents(kPumpWhileWorkingMs);
        // What the user did meanwhile asks for another preview: this one is not waited for.
        if (cache.superseded) return;
    }

    const bool loaded = made.source != nullptr;
    if (made.textStepRan) entry.overlayText = job.overlayText;
    ui.setImageCounter(imageCounterText(index + 1, list.size()));
    entry.saved = made.result ? 1 : 0;
    if (!loaded) {
        // The panes must not go on showing the entry shown before under this one's number.
        ui.showUnreadableSource(entryName(job.plan),
                                readFailure(parts.settings->entorno, unreadableSourceReason(job.plan.sourcePath, parts.codecs)));
        cache.sourceShown = false;
    }
    if (made.result) ui.showPreviewImage(*made.result, 1);
    if (cache.refining) {
        ui.showPreviewRefining(false);
        cache.refining = false;
        // The quick picture must not stay in the result pane as if it were the result.
        if (loaded && !made.result) ui.refreshTextSample();
    }
    ui.waitPumpingEvents(1);
}

// The preview of the current entry was stopped by an exception: the panes say so
// rather than show an earlier entry under this one's number.
void showPreviewStopped(const DesktopBatch& parts, BatchStop stop) {
    runCatching([&] {
        const SourceImageList& list = *parts.list;
        const size_t index = list.current < list.size() ? list.current : 0;
        const OutputPlan plan = planOutput(parts.settings->entorno, list.entries[index], temporaryFolder(), true);
        parts.frontend->showUnreadableSource(entryName(plan), stop == BatchStop::OutOfMemory
                                                                  ? ImageFailure::OverMemoryLimit
                                                                  : ImageFailure::ProcessingFailed);
        parts.preview->sourceShown = false;
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

// What the whole batch is planned with before any entry is handed out: the chain's
// settings for one worker per core, and the entry keeping each result's name.
struct BatchPlan {
    BatchInputs in;
    int workerCount = 1;
    // The workers' cores, of which the encoders take those the workers leave idle.
    std::unique_ptr<CoreShare> cores;
    PipelineSettings settings;
    PlannedNames planned;
    std::vector<std::optional<size_t>> keepers;  // of entries whose results would have one name, the keeper
    std::string sourceRoot;
    std::string temporary;
    bool cycle = false;  // phrases drawn in turn, rather than the watermark
};

BatchPlan planBatch(const DesktopBatch& parts, MemoryBudget& memory) {
    BatchPlan plan;
    plan.in = inputsOf(parts);
    const int cores = usableCores();
    plan.cores = std::make_unique<CoreShare>(cores);
    plan.workerCount = int(std::clamp<size_t>(parts.list->size(), 1, size_t(cores)));
    plan.settings = pipelineSettingsOf(plan.in);
    plan.settings.threads = std::max(1, cores / plan.workerCount);
    plan.settings.memory = &memory;
    plan.settings.cores = plan.cores.get();
    plan.planned = plannedNamesOf(plan.in);
    plan.keepers = resultNameKeepers(plan.planned.savePaths, plan.planned.sourcePaths);
    plan.sourceRoot = sourceRootOf(parts.settings->entorno);
    plan.temporary = temporaryFolder();
    plan.cycle = !parts.settings->texto.SoloMarcadeAgua;
    return plan;
}

// What the workers make of a saved result for the result pane.
SavedPicture resultPictureOf(const DesktopBatch& parts) {
    if (!parts.paneImageOf) return {};
    return [picture = parts.paneImageOf](const ImageObject& saved) { return picture(saved, 1); };
}

// How one entry came back, in list order.
struct Delivery {
    std::optional<ImageWork> work;  // empty for a refused entry
    bool notStarted = false;        // dropped by CANCELAR or a stop before a worker took it
};

// The batch between its plan and its end: hands entries to the workers in list order
// while a worker is free or about to be, and takes them back in the same order, with
// progress in the counter, the panes, the status and the results one entry after the
// other as they would come one at a time. CANCELAR is honoured between entries: the
// images in hand finish, no other starts.
class Conversion {
public:
    Conversion(const DesktopBatch& parts, const BatchPlan& plan)
        : parts_(parts), ui_(*parts.frontend), list_(*parts.list), total_(list_.size()), plan_(plan),
          record_(parts), workers_(plan.settings, plan.workerCount, resultPictureOf(parts)) {
        entries_.reserve(total_);  // never moves: deliveries hold references into it
    }

    // Every entry, then the counter back on the entry the panes show. Answers how the
    // batch went.
    BatchEnd run() {
        ui_.showBatchProgress(0, total_);
        handOut();
        while (next_ < entries_.size()) {
            Delivery delivery = await(next_);
            if (delivery.notStarted) break;  // the batch ends before it
            deliver(next_, std::move(delivery));
            ++next_;
            ui_.waitPumpingEvents(1);
            afterPump();
        }
        record_.finish();
        // The counter goes back to the entry the panes show: the last one the batch
        // showed there, else the current one, whose preview they still hold.
        if (lastShown_) list_.current = *lastShown_;
        ui_.showCounts(int(list_.current));
        return record_.end();
    }

private:
    bool cancelled() const { return parts_.cancel->requested(); }

    // One more than the workers waits, so that none idles between images, and no more:
    // CANCELAR leaves few made beyond what the counter shows.
    void handOut() {
        while (handingOut_ && entries_.size() < total_ && workers_.pending() <= size_t(plan_.workerCount)) {
            const size_t index = entries_.size();
            // The first entry runs whatever happened before it, as one at a time.
            if (index > 0 && cancelled()) {
                handingOut_ = false;
                break;
            }
            if (!handOutEntry(index)) {
                handingOut_ = false;
                break;
            }
        }
        if (!handingOut_ || entries_.size() == total_) workers_.noMoreComing();
    }

    // False when the entry's destination folder is refused: the batch hands out no
    // more. One that could not be made ends the batch as CANCELAR ends it.
    bool handOutEntry(size_t index) {
        const size_t phrase = plan_.cycle ? phraseIndexForImage(index, parts_.phrases->size()) : 0;
        PipelineJob job = jobForEntry(plan_.in, index, phrase, false, plan_.temporary);
        int8_t folderFailed = 0;
        if (!record_.guard.prepareFolder(job.plan, folderFailed, ui_)) {
            if (folderFailed) parts_.cancel->request();
            return false;
        }
        list_.entries[index].outputPath = job.plan.outputPath;
        EntryInHand entry;
        entry.plan = job.plan;
        entry.overlayText = job.overlayText;
        entry.showPanes = parts_.settings->entorno.Preview != 0;
        if (const std::optional<size_t> keeper = plan_.keepers[index]) {
            entry.refusal = ImageFailure::ResultNameTaken;
            entry.keptBy = entryName(plan_.planned.sourcePaths[*keeper], plan_.sourceRoot);
        } else if (!record_.guard.refusal(job.plan, index).empty()) {
            entry.refusal = ImageFailure::WouldReplaceOther;
        }
        entry.refused = entry.refusal != ImageFailure::None;
        if (entry.showPanes && !entry.refused) {
            entry.source = std::make_shared<SourceSlot>();
            // The pane's picture is made here, on the worker; the photo itself is let go
            // there too.
            job.onSourceLoaded = [slot = entry.source, picture = parts_.paneImageOf](const ImageObject& image) {
                std::optional<ImageObject> shown = picture ? picture(image, 0) : copyImage(image);
                if (shown) slot->put(std::move(*shown));
            };
            if (parts_.paneRowsOf)
                job.sourceRows = [slot = entry.source, rows = parts_.paneRowsOf](int width, int height) {
                    return rows(width, height, 0, [slot](ImageObject&& shown) { slot->put(std::move(shown)); });
                };
        }
        if (!entry.refused) workers_.submit(index, std::move(job), entry.showPanes);
        entries_.push_back(std::move(entry));
        return true;
    }

    // Waits for the entry with the windows alive, showing its source once loaded.
    Delivery await(size_t index) {
        Delivery out;
        if (entries_[index].refused) return out;
        while (!workers_.finished(index)) {
            ui_.waitPumpingEvents(kPumpWhileWorkingMs);
            showSource(index);
            afterPump();
        }
        showSource(index);
        out.work = workers_.take(index);
        out.notStarted = !out.work;
        return out;
    }

    void deliver(size_t index, Delivery delivery) {
        const EntryInHand& hand = entries_[index];
        const PipelineResult result = delivery.work ? std::move(delivery.work->result) : PipelineResult{};
        record_.note(hand.plan, result, hand.refusal, hand.keptBy);
        if (result.stop.stop != BatchStop::None && record_.stop == BatchStop::None) {
            // The images in hand finish; no other starts.
            record_.stop = result.stop.stop;
            workers_.dropQueued();
            handingOut_ = false;
        }
        SourceImageEntry& entry = list_.entries[index];
        if (result.textStepRan) entry.overlayText = hand.overlayText;
        ui_.setImageCounter(imageCounterText(index + 1, total_));
        ui_.showBatchProgress(index + 1, total_);
        entry.saved = result.saved ? 1 : 0;
        if (delivery.work && delivery.work->saved && hand.showPanes) ui_.showPreviewImage(*delivery.work->saved, 1);
        if (!hand.refused && !result.loaded && hand.showPanes) {
            ui_.showUnreadableSource(record_.names.back(), record_.failures.back());
            parts_.preview->sourceShown = false;
            lastShown_ = index;
        }
    }

    void showSource(size_t index) {
        if (!entries_[index].source) return;
        if (std::optional<ImageObject> source = entries_[index].source->take()) {
            ui_.showPreviewImage(*source, 0);
            parts_.preview->sourceShown = false;
            lastShown_ = index;
        }
    }

    void afterPump() {
        if (cancelled()) {
            workers_.dropQueued();
            handingOut_ = false;
        }
        handOut();
    }

    const DesktopBatch& parts_;
    Frontend& ui_;
    SourceImageList& list_;
    const size_t total_;
    const BatchPlan& plan_;
    BatchRecord record_;
    std::vector<EntryInHand> entries_;
    size_t next_ = 0;  // the entry delivered next
    bool handingOut_ = true;
    std::optional<size_t> lastShown_;
    ImageWorkers workers_;
};

// Every entry, made by as many workers as there are cores while this thread keeps the
// window alive and delivers the entries in list order.
BatchEnd convertAll(const DesktopBatch& parts) {
    // The limit the terminal's batches have by default; the buffers kept from one
    // image for the next count against it.
    MemoryBudget memory(defaultMemoryLimit());
    const BatchPlan plan = planBatch(parts, memory);
    return Conversion(parts, plan).run();
}

// A batch stopped on this thread by an exception: the entries say what was saved before.
BatchEnd stoppedBatchEnd(const SourceImageList& list, BatchStop stop) {
    BatchEnd end;
    end.total = list.size();
    for (const SourceImageEntry& entry : list.entries) end.converted += entry.saved == 1;
    end.stop = stop;
    return end;
}

BatchGateParts gatePartsOf(const DesktopBatch& parts) {
    return BatchGateParts{*parts.settings, *parts.list, *parts.phrases, *parts.frontend, parts.rescan};
}

}  // namespace

BatchRun runBatch(const DesktopBatch& parts, bool previewOnly) {
    Frontend& ui = *parts.frontend;
    ui.readControlsIntoSettings();
    const size_t total = parts.list->size();
    if (total == 0) {
        ui.clearSourcePane();
        ui.refreshTextSample();
    }

    if (previewOnly) {
        if (total > 0) {
            const CaughtStop caught = runCatching([&] { previewCurrentEntry(parts); });
            if (caught.stop != BatchStop::None) showPreviewStopped(parts, caught.stop);
        }
        ui.setBatchRunning(false);
        return BatchRun::Previewed;
    }
    if (checkBatchPreconditions(gatePartsOf(parts)) != BatchGate::Proceed) return BatchRun::Gated;
    ui.setBatchRunning(true);
    // The previews prepared ahead would take the cores and memory the batch needs: the
    // steps in hand stop at their next part and none starts until the batch is over.
    if (parts.preview && parts.preview->preparer) parts.preview->preparer->want({}, {});
    parts.cancel->clear();
    ui.waitPumpingEvents(5);
    BatchEnd end;
    const CaughtStop caught = runCatching([&] { end = convertAll(parts); });
    if (caught.stop != BatchStop::None) end = stoppedBatchEnd(*parts.list, caught.stop);
    // A stop is told even when CANCELAR was pressed meanwhile.
    if (!parts.cancel->requested() || end.stop != BatchStop::None) {
        if (parts.tellEnd)
            parts.tellEnd(end);
        else
            ui.showBatchEnd(end);
    }
    ui.setBatchRunning(false);
    runCatching([&] { prepareAroundCurrent(parts); });
    return BatchRun::Converted;
}

}  // namespace tesselon

#include "processing/batch/run_batch.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "core/frontend.h"
#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/batch_status.h"
#include "processing/batch/output_collisions.h"
#include "processing/output/destination_folder.h"
#include "processing/output/output_guard.h"
#include "processing/text/overlay_text.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {

constexpr double kPumpWhileWorkingMs = 10;

// A fresh, private file in the temporary folder for the preview's result, so the
// preview never writes or deletes a file of the user's, even when the source folder
// is the temporary folder itself.
std::optional<std::string> privatePreviewPath(const std::string& temporaryFolder, const std::string& extension) {
    std::string pattern = temporaryFolder + ".tesselon-preview-XXXXXX." + extension;
    const int fd = ::mkstemps(pattern.data(), int(extension.size() + 1));
    if (fd < 0) return std::nullopt;
    ::close(fd);
    return pattern;
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

void showIfLoaded(Frontend& ui, SourceSlot& slot) {
    if (std::optional<ImageObject> source = slot.take()) ui.showPreviewImage(*source, 0);
}

// Runs the pipeline on a worker while this thread pumps events.
PipelineResult processKeepingWindowsAlive(AppState& state, const PipelineSettings& settings, PipelineJob& job,
                                          bool showSource) {
    Frontend& ui = *state.frontend;
    SourceSlot slot;
    if (showSource) job.onSourceLoaded = [&slot](ImageObject&& image) { slot.put(std::move(image)); };
    std::atomic<bool> done{false};
    PipelineResult result;
    std::thread worker([&] {
        result = processImage(settings, job);
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        ui.waitPumpingEvents(kPumpWhileWorkingMs);
        showIfLoaded(ui, slot);
    }
    worker.join();
    showIfLoaded(ui, slot);
    return result;
}

// What a batch wrote where, for the status line at its end.
struct BatchRecord {
    explicit BatchRecord(AppState& s) : state(s), guard(s.settings.entorno, s.SourceImageList) {
        tally.textCut = overlayTextCut(s.settings, s.PhrasesList, s.DefaultWatermarkText);
        // A warning of an earlier batch must not stand for this one.
        s.frontend->setStatusLine(true, "");
    }

    // Entries are noted in list order from the first.
    void note(const std::string& savePath, const PipelineResult& result, bool refused) {
        savePaths.push_back(savePath);
        written.push_back(result.saved);
        if (refused) ++tally.refused;
        else if (!result.saved) ++tally.failed;
    }

    // Earlier results that a later image with the same output replaced are not saved.
    void finish() {
        const std::vector<std::optional<size_t>> replacedBy = replacedResults(savePaths, written);
        for (size_t i = 0; i < replacedBy.size(); ++i) {
            if (!replacedBy[i]) continue;
            state.SourceImageList.entries[i].saved = 0;
            ++tally.replaced;
        }
        const std::string text = batchStatusText(tally);
        if (!text.empty()) state.frontend->setStatusLine(false, text);
    }

    AppState& state;
    OutputGuard guard;
    BatchTally tally;
    std::vector<std::string> savePaths;
    std::vector<bool> written;
};

void showSavedResult(AppState& state, const std::string& path) {
    if (std::optional<ImageObject> saved = loadImage(path, state.codecs)) state.frontend->showPreviewImage(*saved, 1);
}

}  // namespace

void runBatch(AppState& state, bool previewOnly) {
    Frontend& ui = *state.frontend;
    ui.readControlsIntoSettings();
    const size_t total = state.SourceImageList.size();
    if (total == 0) ui.refreshTextSample();

    if (!previewOnly) {
        if (checkBatchPreconditions(state) != BatchGate::Proceed) return;
        ui.setBatchRunning(true);
        state.settings.config.Cancelado = 0;
        ui.waitPumpingEvents(5);
    }

    const std::string temporary = temporaryFolder();
    size_t index = previewOnly ? state.SourceImageList.current : 0;
    size_t phraseIndex = 0;
    std::optional<BatchRecord> record;  // a preview checks nothing: it writes a private file
    if (!previewOnly) record.emplace(state);
    while (index < total) {
        PipelineJob job = jobForEntry(state, index, phraseIndex, previewOnly, temporary);
        int8_t& cancelado = state.settings.config.Cancelado;
        if (!previewOnly) {
            if (!record->guard.prepareFolder(job.plan, cancelado, ui)) break;
        } else if (!job.plan.overwrite) {
            if (!ensureDestinationFolder(job.plan, cancelado, ui)) break;
        }
        std::optional<std::string> previewFile;
        if (previewOnly) {
            previewFile = privatePreviewPath(temporary, job.plan.extension);
            if (!previewFile) break;
            job.plan.savePath = *previewFile;
        }
        SourceImageEntry& entry = state.SourceImageList.entries[index];
        entry.outputPath = job.plan.outputPath;

        const bool showPanes = previewOnly || state.settings.entorno.Preview != 0;
        const bool refused = record && !record->guard.refusal(job.plan, index).empty();
        PipelineResult result;
        if (!refused) result = processKeepingWindowsAlive(state, pipelineSettingsOf(state), job, showPanes);
        if (record) record->note(job.plan.savePath, result, refused);
        if (result.textStepRan) entry.overlayText = job.overlayText;
        ui.setImageCounter(imageCounterText(index + 1, total));
        entry.saved = result.saved ? 1 : 0;
        if (result.saved && (previewOnly || state.settings.entorno.Preview != 0)) showSavedResult(state, job.plan.savePath);
        if (previewFile) deleteFile(*previewFile);

        if (!state.settings.texto.SoloMarcadeAgua) {
            ++phraseIndex;
            if (phraseIndex >= state.PhrasesList.size()) phraseIndex = 0;
        }
        ++index;
        ui.waitPumpingEvents(1);
        if (previewOnly || state.settings.config.Cancelado == 1) break;
    }

    if (record) record->finish();
    if (!previewOnly && state.settings.config.Cancelado == 0)
        ui.messageBox("Fin de proceso", "Todas las imágenes y textos fueron procesados", MessageButtons::Ok,
                      MessageIcon::Information);
    ui.setBatchRunning(false);
}

}  // namespace tesselon

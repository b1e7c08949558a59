// A program state with a small folder of generated images, for batch tests.
#pragma once

#include <sched.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/program_setup.h"
#include "core/state.h"
#include "runtime/dates/dates.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "processing/batch/batch_inputs.h"
#include "processing/batch/run_batch.h"
#include "settings/defaults.h"
#include "settings/job_of.h"
#include "sources/scan_images.h"
#include "engine/remote_context_of.h"
#include "support/scripted_frontend.h"
#include "support/temp_dir.h"

namespace tesselon::testing::batch {

// Records the batch's main-window hooks and can press CANCELAR after some images.
class BatchFrontend : public ScriptedFrontend {
public:
    explicit BatchFrontend(AppState& state) : state_(state) { state_.frontend = this; }

    std::vector<std::string> counters;
    std::vector<std::pair<int, int>> previews;  // pane, width
    std::vector<bool> batchRunning;
    int cancelAtCounter = -1;                   // presses CANCELAR when this image number is shown
    int textSamples = 0;
    // Runs between two images, with the number of the image just finished.
    std::function<void(int)> afterImage;

    void setImageCounter(std::string_view text) override {
        counters.emplace_back(text);
        if (cancelAtCounter > 0 && int(counters.size()) == cancelAtCounter) state_.cancel->request();
        if (afterImage) afterImage(int(counters.size()));
    }
    void showPreviewImage(const ImageObject& image, int pane) override { previews.emplace_back(pane, image.width); }
    void showUnreadableSource(std::string_view name, ImageFailure why) override {
        unreadable.emplace_back(std::string(name), why);
    }
    std::vector<std::pair<std::string, ImageFailure>> unreadable;
    void setBatchRunning(bool running) override { batchRunning.push_back(running); }
    void refreshTextSample() override { ++textSamples; }

private:
    AppState& state_;
};

// What a batch is given of the state, as the front ends give it.
inline BatchInputs inputsOf(AppState& state, const RunOptions& run = {}) {
    BatchInputs in;
    in.job = jobOf(state.settings, run);
    in.list = &state.SourceImageList;
    in.phrases = &state.PhrasesList;
    in.defaultWatermark = state.DefaultWatermarkText;
    in.fontDpi = state.fontDpi;
    in.codecs = &state.codecs;
    in.frontend = state.frontend;
    return in;
}

// An image whose pixels depend on `seed`, so outputs differ between entries.
inline ImageObject seededImage(int width, int height, int seed) {
    ImageObject image = *createImage(width, height, 24, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = uint8_t(x * 7 + seed * 31);
            p[1] = uint8_t(y * 5 + seed * 17);
            p[2] = uint8_t((x ^ y) + seed * 3);
        }
    }
    return image;
}

struct BatchFixture {
    TempDir dir;
    AppState state;
    BatchFrontend ui{state};

    BatchFixture() {
        state.adopt(programStartOf(dir.path(), currentDate()));
        registerProgramDecoders(state.codecs);
        resetToDefaults(state.settings, state.DefaultWatermarkText);
        state.settings.entorno.RutaOrigenLocal = dir.file("in/");
        state.settings.entorno.RutaImagenesDestino = dir.file("out/");
    }

    // Writes `count` JPEGs named img0.jpg ... into in/ (or in/<sub>/).
    void addImages(int count, const std::string& sub = "", int width = 64, int height = 48) {
        for (int i = 0; i < count; ++i) {
            const std::string name = "in/" + (sub.empty() ? "" : sub + "/") + "img" + std::to_string(i) + ".jpg";
            dir.write(name, "");
            saveImage(seededImage(width, height, i), dir.file(name), *formatByExtension("jpg"),
                      {EncodeQuality::ofLevel(9)});
        }
    }

    void scan() {
        scanImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList,
                   state.settings.entorno.imagenesRecursivo != 0);
    }

    // What the window gives its batch of the state.
    DesktopBatch batch() {
        DesktopBatch parts;
        parts.settings = &state.settings;
        parts.list = &state.SourceImageList;
        parts.phrases = &state.PhrasesList;
        parts.defaultWatermark = state.DefaultWatermarkText;
        parts.fontDpi = state.fontDpi;
        parts.codecs = &state.codecs;
        parts.frontend = state.frontend;
        parts.preview = &state.preview;
        parts.cancel = state.cancel.get();
        parts.rescan = [this] { scan(); };
        return parts;
    }
};

// The window's batch makes images side by side on one worker per core the calling
// thread may use. Held for a batch, this limits it to one worker, which has at most two
// images in hand beyond the one shown, whatever the machine.
class OneCoreForThisThread {
public:
    OneCoreForThisThread() {
        sched_getaffinity(0, sizeof(saved_), &saved_);
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &saved_)) {
                CPU_SET(cpu, &one);
                break;
            }
        }
        sched_setaffinity(0, sizeof(one), &one);
    }
    ~OneCoreForThisThread() { sched_setaffinity(0, sizeof(saved_), &saved_); }
    OneCoreForThisThread(const OneCoreForThisThread&) = delete;
    OneCoreForThisThread& operator=(const OneCoreForThisThread&) = delete;

private:
    cpu_set_t saved_{};
};

}  // namespace tesselon::testing::batch

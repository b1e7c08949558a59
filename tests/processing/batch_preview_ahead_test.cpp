// The preview made ahead: the neighbours of the shown entry are prepared while the user
// looks, within their memory budget, and what moving on then shows is still exactly
// what the batch writes; a setting change or a move drops what no longer applies.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "processing/batch/batch_jobs.h"
#include "processing/batch/preview_ahead.h"
#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::BatchFrontend;

// The panes as last shown, and the sign's changes.
class PaneFrontend : public BatchFrontend {
public:
    using BatchFrontend::BatchFrontend;
    std::optional<ImageObject> panes[2];
    std::vector<bool> refiningSigns;
    std::function<void()> onPump;

    void showPreviewImage(const ImageObject& image, int pane) override {
        BatchFrontend::showPreviewImage(image, pane);
        panes[pane] = image;
    }
    void showPreviewRefining(bool refining) override { refiningSigns.push_back(refining); }
    void waitPumpingEvents(double ms) override {
        BatchFrontend::waitPumpingEvents(ms);
        if (onPump) onPump();
    }
};

struct AheadFixture : BatchFixture {
    PaneFrontend panes{state};

    AheadFixture(int count, int width, int height) {
        addImages(count, "", width, height);
        scan();
        state.settings.entorno.FormatoImagen = "jpg";
        state.settings.entorno.CalidadGrabacion = 35;
        state.settings.image.Rotar = 17;
    }

    SourceFileIdentity identityOf(size_t entry) { return identifySourceFile(state.SourceImageList.entries[entry].path); }

    // Waits (within a bound) until the entry's exact result is made with the settings
    // of the last refresh.
    bool preparedInTime(size_t entry) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            if (preparerOf(state.preview).resultReady(identityOf(entry))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    void previewEntry(size_t entry) {
        state.SourceImageList.current = entry;
        runBatch(batch(), true);
    }

    // What PROCESAR writes for the entry, decoded.
    ImageObject writtenBy(size_t entry) {
        const BatchInputs in = testing::batch::inputsOf(state);
        const PipelineJob job = jobForEntry(in, entry, 0, false, temporaryFolder());
        std::filesystem::create_directories(job.plan.destinationFolder);
        EXPECT_TRUE(processImage(pipelineSettingsOf(in), job).saved);
        std::optional<ImageObject> written = loadImage(job.plan.savePath, state.codecs);
        EXPECT_TRUE(written);
        return written ? *written : ImageObject{};
    }
};

TEST(PreviewAhead, TheNextEntryIsPreparedWhileTheUserLooksAndShowsWhatTheBatchWrites) {
    AheadFixture f(3, 320, 200);
    f.previewEntry(0);
    ASSERT_TRUE(f.preparedInTime(1));
    f.panes.previews.clear();
    f.previewEntry(1);
    ASSERT_TRUE(f.panes.panes[1]);
    EXPECT_TRUE(f.panes.panes[1]->pixels == f.writtenBy(1).pixels);
    EXPECT_EQ(f.panes.counters.back(), "0000002/0000003");
    // Made already: no quick picture stood in for it.
    EXPECT_TRUE(f.panes.refiningSigns.empty());
}

TEST(PreviewAhead, AResultPreparedBeforeASettingChangeIsNeverShown) {
    AheadFixture f(3, 320, 200);
    f.previewEntry(0);
    ASSERT_TRUE(f.preparedInTime(1));
    const ImageObject before = f.writtenBy(1);
    f.state.settings.image.InvertirColores = 1;
    f.previewEntry(0);
    f.previewEntry(1);
    ASSERT_TRUE(f.panes.panes[1]);
    const ImageObject after = f.writtenBy(1);
    EXPECT_FALSE(after.pixels == before.pixels);
    EXPECT_TRUE(f.panes.panes[1]->pixels == after.pixels);
}

TEST(PreviewAhead, TheEntryLeftBehindStaysPreparedForTheWayBack) {
    AheadFixture f(4, 320, 200);
    f.previewEntry(0);
    f.previewEntry(1);
    // Entry 0 is "<" of entry 1: coming back shows its result at once, and exactly.
    EXPECT_TRUE(preparerOf(f.state.preview).resultReady(f.identityOf(0)));
    f.previewEntry(0);
    EXPECT_TRUE(f.panes.panes[1]->pixels == f.writtenBy(0).pixels);
}

TEST(PreviewAhead, MovingFarDropsEverythingLeftBehind) {
    AheadFixture f(6, 320, 200);
    f.previewEntry(0);
    ASSERT_TRUE(f.preparedInTime(1));
    PreviewPreparer& preparer = preparerOf(f.state.preview);
    EXPECT_GT(preparer.neighbourBytes(), 0u);
    f.previewEntry(3);
    EXPECT_FALSE(preparer.resultReady(f.identityOf(0)));
    EXPECT_FALSE(preparer.resultReady(f.identityOf(1)));
    // Only entries 2 and 4 may be held now, each at most what its image takes, once a
    // step already running for an entry left behind has ended.
    const uint64_t bound = uint64_t(2) * 320 * 200 * 4 * 3 * 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (preparer.neighbourBytes() > bound && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_LE(preparer.neighbourBytes(), bound);
}

TEST(PreviewAhead, ANeighbourBeyondTheMemoryBudgetIsLeftForWhenItIsShown) {
    AheadFixture f(2, 320, 200);
    const BatchInputs in = testing::batch::inputsOf(f.state);
    const PipelineSettings settings = pipelineSettingsOf(in);
    auto wish = [&](size_t entry) {
        return PreviewWish{f.identityOf(entry), jobForEntry(in, entry, 0, true, temporaryFolder())};
    };
    constexpr uint64_t kLimit = 100'000;  // less than one of these images needs
    PreviewPreparer preparer(2, kLimit);
    preparer.want(settings, {wish(0), wish(1)});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!preparer.shown().resultMade && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(preparer.shown().resultMade);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(preparer.resultReady(f.identityOf(1)));
    EXPECT_LE(preparer.neighbourBytes(), kLimit);

    // Shown, it is made all the same.
    preparer.want(settings, {wish(1), wish(0)});
    while (!preparer.shown().resultMade && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(preparer.shown().result);
    EXPECT_TRUE(preparer.shown().result->pixels == f.writtenBy(1).pixels);
}

TEST(PreviewAhead, ARefreshTheUserMovedOnFromShowsNoMore) {
    AheadFixture f(2, 1200, 900);
    f.panes.onPump = [&] { f.state.preview.superseded = true; };
    f.previewEntry(0);
    EXPECT_FALSE(f.panes.panes[1]);
    EXPECT_TRUE(f.panes.counters.empty());
    // The next refresh finds the work done meanwhile and ends it.
    f.panes.onPump = {};
    f.previewEntry(0);
    ASSERT_TRUE(f.panes.panes[1]);
    EXPECT_TRUE(f.panes.panes[1]->pixels == f.writtenBy(0).pixels);
}

TEST(PreviewAhead, ASettingChangeOnALargePhotoShowsAQuickPictureUntilTheExactOne) {
    AheadFixture f(1, 2600, 1600);
    f.state.settings.image.Rotar = 0;
    f.previewEntry(0);
    f.panes.previews.clear();
    f.panes.refiningSigns.clear();
    f.state.settings.image.Rotar = 33;
    f.previewEntry(0);
    // A picture at the pane's scale first, under the sign; then the exact result.
    ASSERT_EQ(f.panes.previews.size(), 2u);
    EXPECT_EQ(f.panes.previews[0].first, 1);
    EXPECT_LE(f.panes.previews[0].second, 1000);
    EXPECT_EQ(f.panes.refiningSigns, (std::vector<bool>{true, false}));
    EXPECT_TRUE(f.panes.panes[1]->pixels == f.writtenBy(0).pixels);
}

TEST(PreviewAhead, APreviewGivenUpBeforeItsEndGivesNoResultAndOneNotGivenUpIsExact) {
    AheadFixture f(1, 640, 480);
    const BatchInputs in = testing::batch::inputsOf(f.state);
    const PipelineSettings settings = pipelineSettingsOf(in);
    const PipelineJob job = jobForEntry(in, 0, 0, true, temporaryFolder());
    const LoadedSource loaded = loadSource(job.plan.sourcePath, f.state.codecs);
    ASSERT_TRUE(loaded.image);
    std::atomic<bool> abandon{true};
    EXPECT_FALSE(previewOfSource(*loaded.image, false, settings, job, nullptr, &abandon).result);
    abandon = false;
    const PreviewImage made = previewOfSource(*loaded.image, false, settings, job, nullptr, &abandon);
    ASSERT_TRUE(made.result);
    EXPECT_TRUE(made.result->pixels == f.writtenBy(0).pixels);
}

}  // namespace
}  // namespace tesselon

// The buffers a worker keeps from one image for the next count against the batch's
// memory limit, and a worker short of room frees them rather than waiting on them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "processing/batch/batch_jobs.h"
#include "processing/batch/image_workers.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/source_load.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;

constexpr uint64_t kLimit = uint64_t(1) << 30;

struct KeptBuffersBatch : BatchFixture {
    MemoryBudget budget{kLimit};
    PipelineSettings settings;

    KeptBuffersBatch() {
        addImages(3, "", 900, 700);
        scan();
        state.settings.image.Rotar = 7;
        settings = pipelineSettingsOf(testing::batch::inputsOf(state));
        settings.memory = &budget;
    }
    PipelineJob job(size_t entry) {
        PipelineJob j = jobForEntry(testing::batch::inputsOf(state), entry, 0, false, temporaryFolder());
        std::filesystem::create_directories(j.plan.destinationFolder);
        return j;
    }
};

TEST(BatchMemory, KeptBuffersStayReservedAndChangeNoResult) {
    KeptBuffersBatch f;
    std::vector<std::string> withBuffers;
    {
        KeptBuffers kept;
        for (size_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(processImage(f.settings, f.job(i), &kept).saved);
            EXPECT_GT(kept.pool.keptBytes(), 0u);
            EXPECT_EQ(f.budget.held(), kept.pool.keptBytes());
            withBuffers.push_back(*readWholeFile(f.job(i).plan.savePath));
        }
    }
    EXPECT_EQ(f.budget.held(), 0u);
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(processImage(f.settings, f.job(i)).saved);
        EXPECT_TRUE(*readWholeFile(f.job(i).plan.savePath) == withBuffers[i]) << "image " << i;
    }
}

TEST(BatchMemory, AWorkerShortOfRoomFreesItsBuffersInsteadOfWaitingOnThem) {
    KeptBuffersBatch f;
    KeptBuffers kept;
    ASSERT_TRUE(processImage(f.settings, f.job(0), &kept).saved);
    const uint64_t keptBytes = f.budget.held();
    ASSERT_GT(keptBytes, 0u);

    // Another worker holds all the rest, and lets go only once this worker's kept
    // buffers are given back. A worker waiting while holding them would wait for ever.
    std::optional<MemoryReservation> other = f.budget.reserve(kLimit - keptBytes);
    ASSERT_TRUE(other);
    bool sawBuffersFreed = false;
    std::thread otherWorker([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (f.budget.held() != kLimit - keptBytes && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        sawBuffersFreed = f.budget.held() == kLimit - keptBytes;
        other->release();
    });
    const bool saved = processImage(f.settings, f.job(1), &kept).saved;
    otherWorker.join();
    EXPECT_TRUE(sawBuffersFreed);
    EXPECT_TRUE(saved);
    EXPECT_EQ(f.budget.held(), kept.pool.keptBytes());
}

TEST(BatchMemory, GrowingTakesOnlyFreeRoomAndShrinkingGivesItBack) {
    MemoryBudget budget(100);
    std::optional<MemoryReservation> first = budget.reserve(60);
    MemoryReservation grown;
    EXPECT_TRUE(budget.tryGrow(grown, 30));
    EXPECT_FALSE(budget.tryGrow(grown, 11));
    EXPECT_EQ(budget.held(), 90u);
    MemoryBudget elsewhere(100);
    EXPECT_FALSE(elsewhere.tryGrow(grown, 1));

    grown.shrinkTo(10);
    EXPECT_EQ(budget.held(), 70u);
    EXPECT_TRUE(budget.reserve(30));
    first->release();
    grown.release();
    EXPECT_EQ(budget.held(), 0u);
}

// The window's workers are handed one image at a time: between two of them the queue is
// empty for a moment, and a worker that let go of its buffers then would fault in and
// zero two 12 MP buffers again for every photo.
TEST(BatchMemory, TheWindowsWorkersKeepTheirBuffersBetweenImagesAndLetGoOnceNoMoreCome) {
    KeptBuffersBatch f;
    ImageWorkers workers(f.settings, 1);
    const auto waitFor = [&](size_t index) {
        while (!workers.finished(index)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(workers.take(index)->result.saved);
    };
    workers.submit(0, f.job(0), false);
    waitFor(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(f.budget.held(), 0u);
    workers.submit(1, f.job(1), false);
    waitFor(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(f.budget.held(), 0u);

    workers.noMoreComing();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (f.budget.held() != 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(f.budget.held(), 0u);
}

}  // namespace
}  // namespace tesselon

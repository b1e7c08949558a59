// The terminal's batch as it is given a job: the cancel token it polls, and how each
// entry left it.
#include <gtest/gtest.h>

#include "processing/batch/parallel_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;

TEST(BatchJob, ACancelRequestedBeforeTheStartConvertsNothing) {
    BatchFixture f;
    f.addImages(3);
    f.scan();
    CancelToken cancel;
    cancel.request();
    ParallelBatchOptions options;
    options.jobs = 2;
    options.cancel = &cancel;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.saved, 0u);
    EXPECT_TRUE(testing::filesUnder(f.dir.file("out/")).empty());
}

TEST(BatchJob, AStoredCancelRequestDoesNotStopTheRun) {
    BatchFixture f;
    f.addImages(2);
    f.scan();
    f.state.settings.config.Cancelado = 1;
    ParallelBatchOptions options;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.saved, 2u);
    // The stored value is written back as it was.
    EXPECT_EQ(f.state.settings.config.Cancelado, 1);
}

TEST(BatchJob, EveryEntrySaysHowItLeftTheBatch) {
    BatchFixture f;
    f.addImages(1);
    f.dir.write("in/broken.jpg", "not a picture");
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 2u);
    ParallelBatchOptions options;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    ASSERT_EQ(outcome.ends.size(), 2u);
    size_t failed = 0, saved = 0;
    for (size_t i = 0; i < 2; ++i) {
        const bool broken = f.state.SourceImageList.entries[i].path == f.dir.file("in/broken.jpg");
        EXPECT_EQ(outcome.ends[i], broken ? EntryEnd::Unreadable : EntryEnd::Saved);
        failed += entryFailed(outcome.ends[i]) ? 1 : 0;
        saved += outcome.ends[i] == EntryEnd::Saved ? 1 : 0;
    }
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(saved, 1u);
}

TEST(BatchJob, ASecondShareIsNotHandled) {
    BatchFixture f;
    f.addImages(4);
    f.scan();
    ParallelBatchOptions options;
    options.shard = Shard{2, 2};
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    ASSERT_EQ(outcome.ends.size(), 4u);
    EXPECT_EQ(outcome.ends[0], EntryEnd::NotHandled);
    EXPECT_EQ(outcome.ends[1], EntryEnd::NotHandled);
    EXPECT_EQ(outcome.ends[2], EntryEnd::Saved);
    EXPECT_EQ(outcome.ends[3], EntryEnd::Saved);
}

}  // namespace
}  // namespace tesselon

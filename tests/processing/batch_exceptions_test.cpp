// A decoder that throws (no memory, a library's fault) must stop a batch with its
// cause, in the terminal's batch, the window's batch and the preview alike, never end
// the process.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "processing/batch/parallel_batch.h"
#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_formats.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::OneCoreForThisThread;
using testing::batch::seededImage;

const ImageFormat& pngFormat() { return *formatBySettingsValue("png"); }

bool probeOutOfMemory(const uint8_t* data, size_t size) {
    if (pngFormat().probe(data, size)) throw std::bad_alloc();
    return false;
}

bool probeFault(const uint8_t* data, size_t size) {
    if (pngFormat().probe(data, size)) throw std::runtime_error("decoder state lost");
    return false;
}

// The program's codecs, with PNG files read by a decoder that throws instead.
void useThrowingPngDecoder(CodecRegistry& codecs, ProbeFunction probe) {
    static ImageFormat outOfMemory = pngFormat(), fault = pngFormat();
    outOfMemory.probe = probeOutOfMemory;
    fault.probe = probeFault;
    codecs = CodecRegistry();
    codecs.registerDecoder(probe == probeOutOfMemory ? outOfMemory : fault);
    for (const ImageFormat& format : imageFormats()) codecs.registerDecoder(format);
}

// img0.jpg, img1.jpg, img1b.png (which throws), img4.jpg, img5.jpg.
void fiveImagesWithAThrowingThird(BatchFixture& f, ProbeFunction probe) {
    f.addImages(4);
    std::rename(f.dir.file("in/img2.jpg").c_str(), f.dir.file("in/img4.jpg").c_str());
    std::rename(f.dir.file("in/img3.jpg").c_str(), f.dir.file("in/img5.jpg").c_str());
    saveImage(seededImage(30, 20, 9), f.dir.file("in/img1b.png"), *formatByExtension("png"));
    useThrowingPngDecoder(f.state.codecs, probe);
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 5u);
    ASSERT_EQ(f.state.SourceImageList.entries[2].path, f.dir.file("in/img1b.png"));
}

TEST(BatchExceptions, OutOfMemoryInAWorkerStopsTheTerminalsBatchAfterTheImagesBefore) {
    BatchFixture f;
    fiveImagesWithAThrowingThird(f, probeOutOfMemory);
    ParallelBatchOptions options;
    options.jobs = 1;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.stop.stop, BatchStop::OutOfMemory);
    EXPECT_EQ(outcome.stoppedAt, std::optional<size_t>(2));
    EXPECT_EQ(outcome.saved, 2u);
    EXPECT_EQ(outcome.processed, 3u);
    const auto& entries = f.state.SourceImageList.entries;
    EXPECT_EQ(entries[0].saved + entries[1].saved, 2);
    EXPECT_EQ(entries[2].saved + entries[3].saved + entries[4].saved, 0);
    EXPECT_NE(outcome.problems[2].find("no more memory"), std::string::npos) << outcome.problems[2];
    EXPECT_EQ(testing::filesUnder(f.dir.file("out/")).size(), 2u);
}

TEST(BatchExceptions, AnInternalFaultStopsTheTerminalsBatchWithWhatItSaid) {
    BatchFixture f;
    fiveImagesWithAThrowingThird(f, probeFault);
    ParallelBatchOptions options;
    options.jobs = 4;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.stop.stop, BatchStop::InternalError);
    EXPECT_EQ(outcome.stop.detail, "decoder state lost");
    EXPECT_EQ(outcome.stoppedAt, std::optional<size_t>(2));
    EXPECT_EQ(f.state.SourceImageList.entries[2].saved, 0);
    // The images in hand beside it were finished, and each says whether it was saved.
    EXPECT_EQ(testing::filesUnder(f.dir.file("out/")).size(), outcome.saved);
}

TEST(BatchExceptions, TheWindowsBatchStopsAndItsEndBoxSaysWhy) {
    BatchFixture f;
    fiveImagesWithAThrowingThird(f, probeOutOfMemory);
    {
        OneCoreForThisThread oneCore;
        runBatch(f.batch(), false);
    }
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    const BatchEnd& end = f.ui.batchEnds[0];
    EXPECT_EQ(end.stop, BatchStop::OutOfMemory);
    EXPECT_EQ(end.total, 5u);
    const auto& entries = f.state.SourceImageList.entries;
    EXPECT_EQ(entries[0].saved + entries[1].saved, 2);
    EXPECT_EQ(entries[2].saved, 0);
    ASSERT_FALSE(end.failed.empty());
    EXPECT_EQ(end.failed[0].name, "img1b.png");
    EXPECT_EQ(end.failed[0].why, ImageFailure::OverMemoryLimit);
    // Nothing past the images in hand was started.
    EXPECT_LE(end.converted, 3u);
    EXPECT_EQ(f.ui.batchRunning, (std::vector<bool>{true, false}));
}

TEST(BatchExceptions, APreviewThatThrowsShowsTheEntryAsUnreadable) {
    BatchFixture f;
    fiveImagesWithAThrowingThird(f, probeFault);
    f.state.SourceImageList.current = 2;
    runBatch(f.batch(), true);
    ASSERT_FALSE(f.ui.unreadable.empty());
    EXPECT_EQ(f.ui.unreadable.back().first, "img1b.png");
    EXPECT_EQ(f.ui.unreadable.back().second, ImageFailure::ProcessingFailed);
    // The next preview of a readable entry works as before.
    f.state.SourceImageList.current = 0;
    const size_t shown = f.ui.previews.size();
    runBatch(f.batch(), true);
    EXPECT_GT(f.ui.previews.size(), shown);
}

}  // namespace
}  // namespace tesselon

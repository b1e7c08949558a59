// The preview: exactly the batch's output (before any resize) as decoded again, made in
// memory, with the source decoded once while its file stays the same.
#include <gtest/gtest.h>

#include <filesystem>

#include "processing/batch/batch_jobs.h"
#include "processing/batch/preview_image.h"
#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::seededImage;

TEST(BatchPreview, ShowsExactlyWhatTheBatchWritesInEveryFormat) {
    for (const char* format : {"original", "jpg", "png", "gif"}) {
        SCOPED_TRACE(format);
        BatchFixture f;
        f.addImages(1, "", 157, 93);
        f.scan();
        STRProcesosEntorno& env = f.state.settings.entorno;
        env.FormatoImagen = format;
        env.CalidadGrabacion = 35;
        f.state.settings.image.Rotar = 17;
        f.state.settings.image.InvertirColores = 1;
        const PipelineSettings settings = pipelineSettingsOf(f.state);
        PreviewCache cache;
        const PreviewImage preview =
            renderPreview(cache, settings, jobForEntry(f.state, 0, 0, true, temporaryFolder()));
        ASSERT_TRUE(preview.loaded);
        EXPECT_TRUE(preview.textStepRan);
        ASSERT_TRUE(preview.result);

        const PipelineJob batchJob = jobForEntry(f.state, 0, 0, false, temporaryFolder());
        std::filesystem::create_directories(batchJob.plan.destinationFolder);
        ASSERT_TRUE(processImage(settings, batchJob).saved);
        const std::optional<ImageObject> written = loadImage(batchJob.plan.savePath, f.state.codecs);
        ASSERT_TRUE(written);
        EXPECT_EQ(preview.result->width, written->width);
        EXPECT_EQ(preview.result->depth, written->depth);
        EXPECT_TRUE(preview.result->pixels == written->pixels);
    }
}

TEST(BatchPreview, DecodesTheSourceOnceUntilItsFileChanges) {
    BatchFixture f;
    f.addImages(2, "", 64, 48);
    f.scan();
    runBatch(f.state, true);
    runBatch(f.state, true);
    // The source pane is filled once; the result pane at every refresh.
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 64}, {1, 64}, {1, 64}}));

    // The file replaced by another picture of the same name is read again.
    saveImage(seededImage(80, 20, 7), f.state.SourceImageList.entries[0].path, f.state.codecs, kFormatJPEG, 9);
    f.ui.previews.clear();
    runBatch(f.state, true);
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 80}, {1, 80}}));

    // Another entry is another source.
    f.state.SourceImageList.current = 1;
    f.ui.previews.clear();
    runBatch(f.state, true);
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 64}, {1, 64}}));
    // A source that cannot be read leaves both panes as they were.
    f.dir.write("in/img1.jpg", "not an image");
    f.ui.previews.clear();
    runBatch(f.state, true);
    EXPECT_TRUE(f.ui.previews.empty());
    EXPECT_EQ(f.state.SourceImageList.entries[1].saved, 0);
}

}  // namespace
}  // namespace tesselon

// The preview: exactly the batch's output (before any resize) as decoded again, made in
// memory, with the source decoded once while its file stays the same.
#include <gtest/gtest.h>

#include <filesystem>

#include "processing/batch/batch_jobs.h"
#include "processing/batch/preview_image.h"
#include "processing/batch/run_batch.h"
#include "processing/output/save_output.h"
#include "runtime/imaging/image_save.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging_test_images.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::seededImage;

TEST(BatchPreview, ShowsExactlyWhatTheBatchWritesInEveryFormat) {
    BatchFixture f;
    f.addImages(1, "", 157, 93);
    // A PNG with varying transparency and a GIF, besides the JPEG.
    ImageObject clear = *createImage(120, 70, 32, 0);
    for (int y = 0; y < clear.height; ++y)
        for (int x = 0; x < clear.width; ++x) {
            uint8_t* p = clear.row(y) + size_t(x) * 4;
            p[0] = uint8_t(x * 2), p[1] = uint8_t(y * 3), p[2] = uint8_t(x + y), p[3] = uint8_t(x * 2 + y);
        }
    f.dir.write("in/b.png", *encodeImage(clear, *formatByExtension("png"), {EncodeQuality::ofLevel(9), 32}));
    f.dir.write("in/c.gif", *encodeOutput(seededImage(90, 60, 4), formatBySettingsValue("gif"), 0));
    // A GIF with a transparent index and all 256 colours of its table.
    for (const testing::PaletteSample& sample : testing::paletteCorpus()) {
        if (sample.name == "gif8-clear-interlaced.gif") f.dir.write("in/d.gif", sample.bytes);
    }
    // A WebP with transparency: "original" keeps it in WebP, lossy and with its alpha.
    const EncodeOptions lossy{EncodeQuality::ofPercent(70), 32};
    f.dir.write("in/e.webp", *formatBySettingsValue("webp")->encode(pixelRowsOf(clear), lossy));
    f.state.settings.entorno.ExtensionesActivas = "JPG|JPEG|PNG|GIF|WEBP";
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 5u);
    // Turned (which drops transparency) and not.
    for (const auto& [format, rotation] :
         {std::pair{"original", 17}, std::pair{"jpg", 17}, std::pair{"png", 17}, std::pair{"gif", 17},
          std::pair{"webp", 17}, std::pair{"original", 0}, std::pair{"png", 0}, std::pair{"avif", 0}}) {
        STRProcesosEntorno& env = f.state.settings.entorno;
        env.FormatoImagen = format;
        env.CalidadGrabacion = 35;
        f.state.settings.image.Rotar = rotation;
        f.state.settings.image.InvertirColores = 1;
        const PipelineSettings settings = pipelineSettingsOf(testing::batch::inputsOf(f.state));
        PreviewCache cache;
        for (size_t entry = 0; entry < 5; ++entry) {
            SCOPED_TRACE(::testing::Message() << format << " at " << rotation << ", entry " << entry);
            const PreviewImage preview =
                renderPreview(cache, settings, jobForEntry(testing::batch::inputsOf(f.state), entry, 0, true, temporaryFolder()));
            ASSERT_TRUE(preview.loaded);
            EXPECT_TRUE(preview.textStepRan);
            ASSERT_TRUE(preview.result);

            const PipelineJob batchJob = jobForEntry(testing::batch::inputsOf(f.state), entry, 0, false, temporaryFolder());
            std::filesystem::create_directories(batchJob.plan.destinationFolder);
            ASSERT_TRUE(processImage(settings, batchJob).saved);
            const std::optional<ImageObject> written = loadImage(batchJob.plan.savePath, f.state.codecs);
            ASSERT_TRUE(written);
            EXPECT_EQ(preview.result->width, written->width);
            EXPECT_EQ(preview.result->depth, written->depth);
            EXPECT_TRUE(preview.result->pixels == written->pixels);
        }
    }
}

TEST(BatchPreview, DecodesTheSourceOnceUntilItsFileChanges) {
    BatchFixture f;
    f.addImages(2, "", 64, 48);
    f.scan();
    runBatch(f.batch(), true);
    runBatch(f.batch(), true);
    // The source pane is filled once; the result pane at every refresh.
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 64}, {1, 64}, {1, 64}}));

    // The file replaced by another picture of the same name is read again.
    saveImage(seededImage(80, 20, 7), f.state.SourceImageList.entries[0].path, *formatByExtension("jpg"),
              {EncodeQuality::ofLevel(9)});
    f.ui.previews.clear();
    runBatch(f.batch(), true);
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 80}, {1, 80}}));

    // Another entry is another source.
    f.state.SourceImageList.current = 1;
    f.ui.previews.clear();
    runBatch(f.batch(), true);
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 64}, {1, 64}}));
    // A source that cannot be read shows no picture: the panes are told why instead.
    f.dir.write("in/img1.jpg", "not an image");
    f.ui.previews.clear();
    runBatch(f.batch(), true);
    EXPECT_TRUE(f.ui.previews.empty());
    EXPECT_EQ(f.ui.unreadable,
              (std::vector<std::pair<std::string, ImageFailure>>{{"img1.jpg", ImageFailure::NotAnImage}}));
    EXPECT_EQ(f.state.SourceImageList.entries[1].saved, 0);
    std::filesystem::remove(f.dir.file("in/img1.jpg"));
    f.ui.unreadable.clear();
    runBatch(f.batch(), true);
    EXPECT_EQ(f.ui.unreadable,
              (std::vector<std::pair<std::string, ImageFailure>>{{"img1.jpg", ImageFailure::Missing}}));

    // Back to the first entry: its picture is shown again.
    f.state.SourceImageList.current = 0;
    runBatch(f.batch(), true);
    EXPECT_EQ(f.ui.previews, (std::vector<std::pair<int, int>>{{0, 80}, {1, 80}}));
}

TEST(BatchPreview, AFileCodingMoreThanItDeclaresIsToldForWhatItIs) {
    // An HEIC that declares 64 x 64 and codes 8192 x 8192, under a photo's name.
    BatchFixture f;
    f.addImages(2, "", 64, 48);
    f.dir.write("in/img1.jpg", testing::readFile(testing::testDataDir() + "crafted/understated.heic"));
    f.scan();
    f.state.SourceImageList.current = 1;
    runBatch(f.batch(), true);
    EXPECT_TRUE(f.ui.previews.empty());
    EXPECT_EQ(f.ui.unreadable,
              (std::vector<std::pair<std::string, ImageFailure>>{{"img1.jpg", ImageFailure::CodedBeyondDeclared}}));

    runBatch(f.batch(), false);
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].converted, 1u);
    ASSERT_EQ(f.ui.batchEnds[0].failed.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].name, "img1.jpg");
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].why, ImageFailure::CodedBeyondDeclared);
}

}  // namespace
}  // namespace tesselon

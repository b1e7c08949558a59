// The desktop batch and the parallel one never write where a result does not belong,
// tell the user what they did not write, and keep transparency in PNG results.
#include <gtest/gtest.h>

#include <filesystem>

#include "processing/batch/parallel_batch.h"
#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging_test_images.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::OneCoreForThisThread;
using testing::batch::seededImage;
using testing::readFile;
namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(BatchSafety, DestinationThatIsTheSourceFolderIsAnErrorBox) {
    BatchFixture f;
    f.addImages(2);
    f.scan();
    fs::create_directory_symlink(f.dir.file("in"), f.dir.file("same"));
    f.state.settings.entorno.RutaImagenesDestino = f.dir.file("same/");
    const auto before = testing::filesUnder(f.dir.file("in/"));
    runBatch(f.batch(), false);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].title, "Error de ruta de destino");
    EXPECT_EQ(f.ui.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(has(f.ui.messages[0].text, "La ruta de destino es la misma que la ruta de origen"));
    EXPECT_TRUE(testing::filesUnder(f.dir.file("in/")) == before);
    EXPECT_TRUE(f.ui.batchRunning.empty());

    // Overwriting on purpose is still allowed, after its own question.
    f.state.settings.entorno.imagenesSobreescribir = 1;
    f.ui.answers = {MessageAnswer::Yes};
    runBatch(f.batch(), false);
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].converted, 2u);
}

TEST(BatchSafety, ResultsNeverReplaceAnotherListedImage) {
    // The list holds in/img0.jpg and in/s/img0.jpg; the destination then becomes in/s,
    // where the first image's result would land on the second image.
    BatchFixture f;
    f.addImages(1);
    f.addImages(1, "s");
    f.state.settings.entorno.imagenesRecursivo = 1;
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 2u);
    const std::string second = readFile(f.dir.file("in/s/img0.jpg"));
    f.state.settings.entorno.RutaImagenesDestino = f.dir.file("in/s/");
    runBatch(f.batch(), false);
    EXPECT_EQ(readFile(f.dir.file("in/s/img0.jpg")), second);
    EXPECT_EQ(f.state.SourceImageList.entries[0].saved, 0);
    EXPECT_EQ(f.state.SourceImageList.entries[1].saved, 1);
    ASSERT_FALSE(f.ui.statusLines.empty());
    EXPECT_EQ(f.ui.statusLines.back(), "Atención: 1 imagen no guardada para no reemplazar otro archivo");

    ParallelBatchOptions options;
    options.jobs = 2;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.refused, std::vector<size_t>{0});
    EXPECT_TRUE(has(outcome.problems[0], "is the source image '" + f.dir.file("in/s/img0.jpg") + "'"));
    EXPECT_EQ(readFile(f.dir.file("in/s/img0.jpg")), second);
}

TEST(BatchSafety, LinkedFoldersInTheDestinationAreNotWrittenThrough) {
    BatchFixture f;
    f.addImages(1, "sub");
    f.addImages(1, "sub/deeper");
    f.state.settings.entorno.imagenesRecursivo = 1;
    f.scan();
    f.dir.write("elsewhere/keep", "k");
    f.dir.write("out/.keep", "");
    fs::create_directory_symlink(f.dir.file("elsewhere"), f.dir.file("out/sub"));
    ParallelBatchOptions options;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.refused.size(), 2u);
    EXPECT_EQ(testing::filesUnder(f.dir.file("elsewhere/")).size(), 1u);
    EXPECT_FALSE(fs::exists(f.dir.file("elsewhere/deeper")));
}

TEST(BatchSafety, AFolderSwappedForALinkBetweenImagesFailsTheRestInsteadOfWritingThrough) {
    BatchFixture f;
    f.addImages(5, "sub");
    f.state.settings.entorno.imagenesRecursivo = 1;
    f.scan();
    const std::string victim = f.dir.write("elsewhere/img3.jpg", "the user's own img3.jpg");
    f.ui.afterImage = [&](int done) {
        if (done != 2) return;
        fs::rename(f.dir.file("out/sub"), f.dir.file("out/sub.before"));
        fs::create_directory_symlink(f.dir.file("elsewhere"), f.dir.file("out/sub"));
    };
    {
        // On one core the last of five images is handed out after a swap made when the
        // second is shown, on any machine.
        OneCoreForThisThread oneCore;
        runBatch(f.batch(), false);
    }
    EXPECT_EQ(readFile(victim), "the user's own img3.jpg");
    EXPECT_EQ(testing::filesUnder(f.dir.file("elsewhere/")).size(), 1u);
    // Images already in hand at the swap may finish into the folder they were started in;
    // every other one fails.
    size_t saved = 0;
    for (const auto& entry : f.state.SourceImageList.entries) saved += entry.saved == 1;
    EXPECT_EQ(f.state.SourceImageList.entries[0].saved, 1);
    EXPECT_EQ(f.state.SourceImageList.entries[1].saved, 1);
    EXPECT_EQ(f.state.SourceImageList.entries[4].saved, 0);
    EXPECT_EQ(testing::filesUnder(f.dir.file("out/sub.before/")).size(), saved);
    ASSERT_FALSE(f.ui.statusLines.empty());
    const size_t failed = 5 - saved;
    EXPECT_EQ(f.ui.statusLines.back(), failed == 1 ? std::string("Atención: 1 imagen no se pudo convertir")
                                                   : "Atención: " + std::to_string(failed) +
                                                         " imágenes no se pudieron convertir");
}

TEST(BatchSafety, SameOutputNamesKeepOneResultAndRefuseTheOthers) {
    BatchFixture f;
    f.addImages(1);
    saveImage(seededImage(30, 20, 9), f.dir.file("in/img0.png"), *formatByExtension("png"));
    f.state.settings.entorno.FormatoImagen = "jpg";
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 2u);
    runBatch(f.batch(), false);
    EXPECT_EQ(f.state.SourceImageList.entries[0].saved, 1);
    EXPECT_EQ(f.state.SourceImageList.entries[1].saved, 0);
    ASSERT_FALSE(f.ui.statusLines.empty());
    EXPECT_EQ(f.ui.statusLines.back(), "Atención: 1 imagen no guardada por tener el mismo nombre de salida que otra");
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    ASSERT_EQ(f.ui.batchEnds[0].failed.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].name, "img0.png");
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].why, ImageFailure::ResultNameTaken);
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].nameKeptBy, "img0.jpg");
    EXPECT_FALSE(f.ui.statusHidden);
    f.state.settings.entorno.FormatoImagen = "original";  // no longer the same names
    runBatch(f.batch(), false);
    EXPECT_TRUE(f.ui.statusHidden);
    f.state.settings.entorno.FormatoImagen = "jpg";

    ParallelBatchOptions options;
    options.jobs = 4;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.refused, std::vector<size_t>{1});
    EXPECT_EQ(outcome.nameKeepers[1], std::optional<size_t>(0));
    EXPECT_TRUE(has(outcome.problems[1], "is the result of '" + f.dir.file("in/img0.jpg") + "'")) << outcome.problems[1];
    EXPECT_EQ(outcome.saved, 1u);
}

TEST(BatchSafety, ImagesBeyondTheMemoryLimitFailAlone) {
    BatchFixture f;
    f.addImages(1, "", 64, 48);
    f.addImages(1, "big", 1500, 1000);
    f.state.settings.entorno.imagenesRecursivo = 1;
    f.scan();
    ParallelBatchOptions options;
    options.jobs = 2;
    options.memoryLimit = 40 << 20;
    const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
    EXPECT_EQ(outcome.saved, 1u);
    ASSERT_EQ(outcome.unreadable, std::vector<size_t>{1});
    EXPECT_TRUE(has(outcome.problems[1], "more than the memory limit of 40 MiB")) << outcome.problems[1];
}

// A 16 x 8 image, transparent on its left half and opaque on its right, written the
// three ways PNG stores alpha.
std::string transparentPng(int colourType) {
    testing::PngSpec spec{16, 8, colourType, 8, false, {}, {}, {}, {}};
    for (int i = 0; i < 16 * 8; ++i) {
        const bool clear = i % 16 < 8;
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            spec.samples.push_back(clear ? 0 : 1);
        } else if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            spec.samples.insert(spec.samples.end(), {200, uint16_t(clear ? 0 : 255)});
        } else {
            spec.samples.insert(spec.samples.end(), {255, 0, 0, uint16_t(clear ? 0 : 255)});
        }
    }
    spec.palette = {{0, 0, 0}, {255, 0, 0}};
    spec.paletteAlpha = {0, 255};
    return testing::makePng(spec);
}

TEST(BatchSafety, PngResultsKeepTheAlphaOfEverySource) {
    for (const char* format : {"original", "png", "jpg"}) {
        BatchFixture f;
        f.dir.write("in/palette.png", transparentPng(PNG_COLOR_TYPE_PALETTE));
        f.dir.write("in/grey.png", transparentPng(PNG_COLOR_TYPE_GRAY_ALPHA));
        f.dir.write("in/rgba.png", transparentPng(PNG_COLOR_TYPE_RGB_ALPHA));
        f.state.settings.entorno.FormatoImagen = format;
        f.state.settings.image.MarcaDeAgua = 0;
        f.scan();
        runBatch(f.batch(), false);
        const std::string extension = std::string(format) == "jpg" ? ".jpg" : ".png";
        for (const char* name : {"palette", "grey", "rgba"}) {
            const std::optional<ImageObject> out = loadImage(f.dir.file("out/") + name + extension, f.state.codecs);
            ASSERT_TRUE(out) << name << " " << format;
            const testing::Bgra clear = testing::pixelAt(*out, 2, 4), solid = testing::pixelAt(*out, 13, 4);
            if (extension == ".jpg") {
                // JPEG has no alpha: transparent areas are white.
                EXPECT_GT(int(clear[0]) + clear[1] + clear[2], 3 * 240) << name;
                continue;
            }
            EXPECT_EQ(out->depth, 32) << name << " " << format;
            EXPECT_EQ(clear[3], 0) << name << " " << format;
            EXPECT_EQ(solid[3], 255) << name << " " << format;
            const testing::Bgra expected = std::string(name) == "grey" ? testing::Bgra{200, 200, 200, 255}
                                                                        : testing::Bgra{0, 0, 255, 255};
            EXPECT_EQ(solid, expected) << name << " " << format;
        }
    }
}

TEST(BatchSafety, AnAnimatedGifCopiedAsItIsIsToldOnTheStatusLine) {
    // Grey scale and a turn asked for, the source's own format kept: the animation is
    // copied, and the window says so once for the batch.
    BatchFixture f;
    f.addImages(1);
    const std::string animation = readFile(testing::testDataDir() + "images/animated.gif");
    ASSERT_FALSE(animation.empty());
    f.dir.write("in/a.gif", animation);
    f.dir.write("in/b.gif", animation);
    f.state.settings.entorno.ExtensionesActivas = "JPG|GIF";
    f.state.settings.entorno.FormatoImagen = "original";
    f.state.settings.image.EscalaGrises = 1;
    f.state.settings.image.Rotar = 30;
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 3u);
    runBatch(f.batch(), false);
    EXPECT_EQ(readFile(f.dir.file("out/a.gif")), animation);
    ASSERT_FALSE(f.ui.statusLines.empty());
    EXPECT_EQ(f.ui.statusLines.back(),
              "Atención: 2 GIF animados copiados sin cambios (no se les aplican los procesos)");
}

}  // namespace
}  // namespace tesselon

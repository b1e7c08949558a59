#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "processing/batch/parallel_batch.h"
#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/file_system.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;
using testing::batch::OneCoreForThisThread;
using testing::readFile;

std::vector<std::string> overlayTexts(const AppState& state) {
    std::vector<std::string> texts;
    for (const SourceImageEntry& e : state.SourceImageList.entries) texts.push_back(e.overlayText);
    return texts;
}

TEST(RunBatch, PhrasesCycleAndRestartInEveryBatch) {
    BatchFixture f;
    f.addImages(7);
    f.scan();
    f.state.settings.texto.SoloMarcadeAgua = 0;
    f.state.PhrasesList = {"uno", "dos", "tres"};
    const std::vector<std::string> expected = {"uno", "dos", "tres", "uno", "dos", "tres", "uno"};
    for (int run = 0; run < 2; ++run) {
        runBatch(f.batch(), false);
        EXPECT_EQ(overlayTexts(f.state), expected) << "run " << run;
    }
    ASSERT_EQ(f.ui.batchEnds.size(), 2u);
    EXPECT_EQ(f.ui.batchEnds.back().total, 7u);
    EXPECT_EQ(f.ui.batchEnds.back().converted, 7u);
    EXPECT_TRUE(f.ui.batchEnds.back().failed.empty());
    EXPECT_EQ(f.ui.counters.back(), "0000007/0000007");
    EXPECT_EQ(f.ui.batchRunning, (std::vector<bool>{true, false, true, false}));
    for (const SourceImageEntry& e : f.state.SourceImageList.entries) {
        EXPECT_EQ(e.saved, 1);
        EXPECT_EQ(e.outputPath, f.dir.file("out/") + e.path.substr(f.dir.file("in/").size()));
        EXPECT_GT(fileSize(e.outputPath), 0);
    }
}

TEST(RunBatch, ParallelBatchWritesTheSameFilesAsTheSequentialOne) {
    std::map<std::string, std::string> reference;
    for (int jobs : {0, 1, 4}) {  // 0: the desktop's sequential batch
        BatchFixture f;
        f.addImages(5);
        f.addImages(4, "sub");
        f.state.settings.texto.SoloMarcadeAgua = 0;
        f.state.PhrasesList = {"alfa", "beta"};
        f.state.settings.image.Rotar = 33;
        f.state.settings.image.EscalaGrises = 1;
        f.state.settings.image.ResizeActivo = 1;
        f.state.settings.image.ResizeH = 50;
        f.scan();
        if (jobs == 0) {
            runBatch(f.batch(), false);
        } else {
            ParallelBatchOptions options;
            options.jobs = jobs;
            const ParallelBatchOutcome outcome = runParallelBatch(testing::batch::inputsOf(f.state), options);
            EXPECT_EQ(outcome.saved, 9u);
            EXPECT_FALSE(outcome.cancelled);
        }
        const auto tree = testing::filesUnder(f.dir.file("out/"));
        EXPECT_EQ(tree.size(), 9u);
        if (jobs == 0)
            reference = tree;
        else
            EXPECT_TRUE(tree == reference) << "jobs " << jobs;
        EXPECT_EQ(overlayTexts(f.state)[2], "alfa");
    }
}

TEST(RunBatch, EntriesWithOneOutputNameKeepTheSameResultInBothBatches) {
    BatchFixture f;
    f.addImages(1);
    saveImage(testing::batch::seededImage(30, 20, 9), f.dir.file("in/img0.png"), *formatByExtension("png"));
    f.state.settings.entorno.FormatoImagen = "jpg";
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 2u);
    ParallelBatchOptions options;
    options.jobs = 4;
    runParallelBatch(testing::batch::inputsOf(f.state), options);
    const std::string parallel = readFile(f.dir.file("out/img0.jpg"));
    runBatch(f.batch(), false);
    EXPECT_EQ(readFile(f.dir.file("out/img0.jpg")), parallel);
    // The result is img0.jpg's (64 x 48), not the PNG's (30 x 20).
    const std::optional<ImageObject> result = loadImage(f.dir.file("out/img0.jpg"), f.state.codecs);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->width, 64);
}

TEST(RunBatch, CorruptImagesAreSkippedAndTheBatchGoesOn) {
    BatchFixture f;
    f.addImages(2);
    f.dir.write("in/broken.jpg", "\xFF\xD8\xFF not really");
    f.dir.write("in/empty.png", "");
    f.scan();
    runBatch(f.batch(), false);
    int saved = 0;
    for (const SourceImageEntry& e : f.state.SourceImageList.entries) {
        saved += e.saved;
        if (e.path.find("img") == std::string::npos) {
            EXPECT_EQ(fileSize(e.outputPath), -1) << e.path;
        }
    }
    EXPECT_EQ(saved, 2);
    // The end says which ones failed, and why.
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    const BatchEnd& end = f.ui.batchEnds[0];
    EXPECT_EQ(end.total, 4u);
    EXPECT_EQ(end.converted, 2u);
    ASSERT_EQ(end.failed.size(), 2u);
    // A JPEG cut short after its marker is told apart from an empty file.
    std::map<std::string, ImageFailure> why;
    for (const FailedImage& failed : end.failed) why[failed.name] = failed.why;
    EXPECT_EQ(why, (std::map<std::string, ImageFailure>{{"broken.jpg", ImageFailure::Damaged},
                                                         {"empty.png", ImageFailure::EmptyFile}}));
}

TEST(RunBatch, AnFtpSourcesImageThatWasNeverDownloadedFailsAsSuch) {
    BatchFixture f;
    f.state.settings.entorno.LocalRemoto = "R";
    f.state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R";
    f.state.settings.entorno.RutaEnLocalDeRemotoDescargadas = f.dir.file("bajadas/");
    saveImage(testing::batch::seededImage(30, 20, 1), f.dir.write("bajadas/web/img0.jpg", ""),
              *formatByExtension("jpg"));
    f.state.SourceImageList.entries = {SourceImageEntry{"/web/img0.jpg", 10, {}, 0, {}},
                                       SourceImageEntry{"/web/falta.jpg", 10, {}, 0, {}}};
    runBatch(f.batch(), false);
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].converted, 1u);
    ASSERT_EQ(f.ui.batchEnds[0].failed.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].name, "web/falta.jpg");
    EXPECT_EQ(f.ui.batchEnds[0].failed[0].why, ImageFailure::NotDownloaded);
}

TEST(RunBatch, CancelFinishesTheImageInHandWithoutTheFinalMessage) {
    BatchFixture f;
    f.addImages(10);
    f.scan();
    f.ui.cancelAtCounter = 3;
    {
        OneCoreForThisThread oneCore;
        runBatch(f.batch(), false);
    }
    // The images in hand when CANCELAR was pressed finish (at most two beside the third on
    // one core); no later one starts, and what was saved is a run from the first.
    size_t saved = 0;
    while (saved < 10 && f.state.SourceImageList.entries[saved].saved == 1) ++saved;
    EXPECT_GE(saved, 3u);
    EXPECT_LE(saved, 5u);
    for (size_t i = saved; i < 10; ++i) EXPECT_EQ(f.state.SourceImageList.entries[i].saved, 0) << i;
    EXPECT_TRUE(f.ui.batchEnds.empty());
    EXPECT_EQ(f.ui.batchRunning.back(), false);
}

// The stored cancel flag is what a scan or a download left for the settings file; only
// CANCELAR's token stops a batch, and the batch leaves the stored value as it finds it.
TEST(RunBatch, TheStoredCancelFlagNeitherStopsTheBatchNorIsChangedByIt) {
    BatchFixture f;
    f.addImages(4);
    f.scan();
    f.state.settings.config.Cancelado = 1;
    f.ui.afterImage = [&](int) { f.state.settings.config.Cancelado = 1; };
    {
        OneCoreForThisThread oneCore;
        runBatch(f.batch(), false);
    }
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(f.state.SourceImageList.entries[i].saved, 1) << i;
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);
    EXPECT_EQ(f.ui.batchEnds[0].converted, 4u);
    EXPECT_EQ(f.state.settings.config.Cancelado, 1);
    EXPECT_FALSE(f.state.cancel->requested());
}

TEST(RunBatch, PreconditionsStopTheBatchWithTheirMessages) {
    {
        BatchFixture f;
        runBatch(f.batch(), false);
        ASSERT_EQ(f.ui.messages.size(), 1u);
        EXPECT_EQ(f.ui.messages[0].title, "Información");
        EXPECT_EQ(f.ui.textSamples, 1);
        EXPECT_TRUE(f.ui.batchRunning.empty());
    }
    {
        // No phrases and no watermark refuses even with the overlay off.
        BatchFixture f;
        f.addImages(1);
        f.scan();
        f.state.settings.texto.SoloMarcadeAgua = 0;
        f.state.settings.image.MarcaDeAgua = 0;
        runBatch(f.batch(), false);
        EXPECT_EQ(f.ui.messages.back().text,
                  "No has seleccionado archivo de frases ni seleccionado 'Usar Marca de Agua'");
        EXPECT_EQ(fileSize(f.dir.file("out/img0.jpg")), -1);
    }
    {
        // A list scanned from the other kind of source: No aborts, Yes rescans, neither converts.
        BatchFixture f;
        f.addImages(1);
        f.scan();
        f.state.settings.entorno.UltimoEscaneoImagenesLocalRemoto = "R";
        f.ui.answers = {MessageAnswer::No};
        runBatch(f.batch(), false);
        ASSERT_EQ(f.ui.messages.size(), 2u);
        EXPECT_EQ(f.ui.messages[0].title, "Aviso");
        EXPECT_NE(f.ui.messages[0].text.find("carpeta remota, pero tienes elegido un origen local."), std::string::npos);
        EXPECT_EQ(f.ui.messages[1].text, "Conversión de imágenes abortada");
        f.ui.answers = {MessageAnswer::Yes};
        runBatch(f.batch(), false);
        EXPECT_EQ(f.state.settings.entorno.UltimoEscaneoImagenesLocalRemoto, "L");
        EXPECT_EQ(fileSize(f.dir.file("out/img0.jpg")), -1);
    }
    {
        BatchFixture f;
        f.addImages(1);
        f.scan();
        f.state.settings.entorno.imagenesSobreescribir = 1;
        const std::string original = readFile(f.dir.file("in/img0.jpg"));
        f.ui.answers = {MessageAnswer::No};
        runBatch(f.batch(), false);
        EXPECT_EQ(f.ui.messages.back().title, "Aviso de sobreescritura");
        EXPECT_EQ(readFile(f.dir.file("in/img0.jpg")), original);
    }
}

TEST(RunBatch, DestinationThatCannotBeCreatedEndsTheBatch) {
    BatchFixture f;
    f.addImages(2);
    f.scan();
    f.dir.write("blocker", "a file where the folder should go");
    f.state.settings.entorno.RutaImagenesDestino = f.dir.file("blocker/out/");
    runBatch(f.batch(), false);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].title, "Error de creación de ruta");
    EXPECT_EQ(f.ui.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(f.state.cancel->requested());
    EXPECT_EQ(f.ui.batchRunning.back(), false);
}

TEST(RunBatch, PreviewProcessesTheCurrentEntryWithoutWritingAnything) {
    BatchFixture f;
    // The source folder is the temporary folder, and an image there has the name a
    // preview result would naturally get: it must survive the preview.
    f.state.settings.entorno.RutaOrigenLocal = temporaryFolder() + "tesselon-preview-src-" +
                                               std::to_string(::getpid()) + "/";
    const std::string src = f.state.settings.entorno.RutaOrigenLocal;
    std::filesystem::create_directories(src);
    const EncodeOptions level9{EncodeQuality::ofLevel(9)};
    saveImage(testing::batch::seededImage(40, 30, 1), src + "a.jpg", *formatByExtension("jpg"), level9);
    saveImage(testing::batch::seededImage(40, 30, 2), temporaryFolder() + "a.jpg.keep", *formatByExtension("jpg"),
              level9);
    f.scan();
    f.state.SourceImageList.current = 0;
    f.state.settings.texto.SoloMarcadeAgua = 0;
    f.state.PhrasesList = {"primera", "segunda"};
    f.state.settings.image.ResizeActivo = 1;
    f.state.settings.image.ResizeH = 10;
    const std::string before = readFile(src + "a.jpg");

    runBatch(f.batch(), true);

    EXPECT_EQ(f.state.SourceImageList.entries[0].overlayText, "primera");
    EXPECT_EQ(f.state.SourceImageList.entries[0].saved, 1);
    ASSERT_EQ(f.ui.previews.size(), 2u);
    EXPECT_EQ(f.ui.previews[0].first, 0);
    EXPECT_EQ(f.ui.previews[1], (std::pair<int, int>{1, 40 + 0}));  // not resized in a preview
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_EQ(readFile(src + "a.jpg"), before);
    EXPECT_EQ(fileSize(f.dir.file("out/a.jpg")), -1);  // nothing written into the destination
    for (const auto& e : std::filesystem::directory_iterator(temporaryFolder()))
        EXPECT_EQ(e.path().filename().string().find(".tesselon-preview-"), std::string::npos);
    std::filesystem::remove_all(src);
    std::filesystem::remove(temporaryFolder() + "a.jpg.keep");
}

}  // namespace
}  // namespace tesselon

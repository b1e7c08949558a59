// The terminal's batch gives the cores its workers leave idle to the encoders of the
// images still in hand, and writes the same files as on one worker.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "processing/batch/parallel_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/threads/parallel_bands.h"
#include "support/temp_dir.h"
#include "support/thread_peak.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;

constexpr const char* kPhoto = "/usr/share/backgrounds/mate/nature/Garden.jpg";

// Pieces of a real photograph, each cut from another place, as JPEGs in in/.
bool addPhotoPieces(BatchFixture& f, int count, int width, int height) {
    const std::optional<ImageObject> photo = loadImage(kPhoto, f.state.codecs);
    if (!photo) return false;
    for (int i = 0; i < count; ++i) {
        const std::optional<ImageObject> piece =
            grabImage(*photo, i * 97 % (photo->width - width), i * 61 % (photo->height - height), width, height);
        const std::string name = "in/piece" + std::to_string(i) + ".jpg";
        f.dir.write(name, "");
        if (!piece || !saveImage(*piece, f.dir.file(name), *formatByExtension("jpg"), {EncodeQuality::ofLevel(9)}))
            return false;
    }
    return true;
}

// Converts the list into `folder` with `jobs` workers; the peak of threads meanwhile.
int convertInto(BatchFixture& f, const std::string& folder, int jobs) {
    f.state.settings.entorno.RutaImagenesDestino = f.dir.file(folder + "/");
    f.scan();
    ParallelBatchOptions options;
    options.jobs = jobs;
    ParallelBatchOutcome outcome;
    // The encoder's threads live as long as the encode; the chain's helpers far shorter.
    const int peak = testing::peakThreadsDuring(
        [&] { outcome = runParallelBatch(testing::batch::inputsOf(f.state), options); },
        std::chrono::milliseconds(100));
    EXPECT_EQ(outcome.saved, f.state.SourceImageList.size());
    return peak;
}

void expectSameFiles(BatchFixture& f, const std::string& a, const std::string& b, size_t count) {
    const std::map<std::string, std::string> first = testing::filesUnder(f.dir.file(a + "/"));
    const std::map<std::string, std::string> second = testing::filesUnder(f.dir.file(b + "/"));
    ASSERT_EQ(first.size(), count);
    ASSERT_EQ(second.size(), count);
    for (const auto& [name, bytes] : first) {
        ASSERT_EQ(second.count(name), 1u) << name;
        EXPECT_TRUE(second.at(name) == bytes) << name << " differs";
    }
}

TEST(BatchEncoderThreads, ALonePhotoIsEncodedOnTheCoreTheOtherWorkerLeaves) {
    if (usableCores() < 2) GTEST_SKIP() << "one core: no other to give";
    BatchFixture f;
    ASSERT_TRUE(addPhotoPieces(f, 1, 1100, 1040));
    f.state.settings.entorno.FormatoImagen = "avif";
    const int oneWorker = convertInto(f, "one", 1);
    const int twoWorkers = convertInto(f, "two", 2);
    // The lone image has one worker either way; with two allowed, its encoder runs a
    // thread more.
    EXPECT_GT(twoWorkers, oneWorker);
    expectSameFiles(f, "one", "two", 1);
}

TEST(BatchEncoderThreads, EveryResultIsTheSameWhicheverImagesShareTheCores) {
    BatchFixture f;
    ASSERT_TRUE(addPhotoPieces(f, 3, 1100, 600));
    for (const char* format : {"avif", "webp"}) {
        f.state.settings.entorno.FormatoImagen = format;
        const std::string one = std::string("one-") + format, two = std::string("two-") + format;
        convertInto(f, one, 1);
        // The last of the three is encoded while the other worker idles.
        convertInto(f, two, 2);
        expectSameFiles(f, one, two, 3);
    }
}

}  // namespace
}  // namespace tesselon

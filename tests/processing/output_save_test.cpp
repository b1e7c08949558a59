#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "output_test_support.h"
#include "processing/output/gif_source.h"
#include "processing/output/output_plan.h"
#include "processing/output/save_output.h"
#include "runtime/fs/paths.h"
#include "runtime/imaging/image_operations.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::output::gradientImage;
using testing::output::localEnvironment;
using testing::output::noiseImage;
using testing::readFile;
using testing::TempDir;
using testing::output::testData;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Limits the size of files this process may write, with SIGXFSZ ignored so a write past
// the limit fails like a write to a full disk; restores both when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

class SaveOutput : public ::testing::Test {
protected:
    OutputPlan planFor(const std::string& relativeSource, bool preview = false) {
        return planOutput(env, {dir.path() + "fotos/" + relativeSource, 1, "", 0, ""}, dir.path() + "tmp/", preview);
    }

    TempDir dir;
    CodecRegistry registry = makeStandardRegistry();
    STRProcesosEntorno env = localEnvironment(dir.path() + "fotos/", dir.path() + "salida/");
};

TEST_F(SaveOutput, OriginalFormatKeepsNameAndEncodesAsJpeg) {
    dir.write("fotos/Foto.JPG", "source");
    fs::create_directories(dir.file("salida"));
    const OutputPlan plan = planFor("Foto.JPG");
    const ImageObject image = gradientImage(16, 16);
    EXPECT_TRUE(saveResult(plan, &image, false));
    const std::optional<ImageObject> saved = loadImage(dir.file("salida/Foto.JPG"), registry);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->format, kFormatJPEG);
}

TEST_F(SaveOutput, OverwriteWritesTheChosenFormatIntoTheSourceName) {
    dir.write("fotos/a.jpg", "old jpeg bytes");
    env.imagenesSobreescribir = 1;
    env.FormatoImagen = "png";
    const ImageObject image = gradientImage(12, 8);
    EXPECT_TRUE(saveResult(planFor("a.jpg"), &image, false));
    EXPECT_EQ(readFile(dir.file("fotos/a.jpg")).substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(namesIn(dir.file("fotos")), std::vector<std::string>{"a.jpg"});
}

TEST_F(SaveOutput, FailedEncodeLeavesTheOriginalUntouched) {
    const std::string original = dir.write("fotos/a.jpg", "the user's only copy");
    env.imagenesSobreescribir = 1;
    OutputPlan plan = planFor("a.jpg");
    plan.format = formatByCode(kFormatTIFF);  // no result encoder
    const ImageObject image = gradientImage(12, 8);
    EXPECT_FALSE(saveResult(plan, &image, false));
    EXPECT_EQ(readFile(original), "the user's only copy");
    EXPECT_EQ(namesIn(dir.file("fotos")), std::vector<std::string>{"a.jpg"});
}

TEST_F(SaveOutput, FullDiskLeavesTheOriginalUntouched) {
    const std::string original = dir.write("fotos/a.png", "the user's only copy");
    env.imagenesSobreescribir = 1;
    const ImageObject image = noiseImage(128, 128);  // about 48 KiB of PNG
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        saved = saveResult(planFor("a.png"), &image, false).saved;
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(original), "the user's only copy");
    EXPECT_EQ(namesIn(dir.file("fotos")), std::vector<std::string>{"a.png"});
    // With room again the same save goes through.
    EXPECT_TRUE(saveResult(planFor("a.png"), &image, false));
}

TEST_F(SaveOutput, AnimatedGifIsCopiedByteForByteInABatchOnly) {
    const std::string bytes = readFile(testData("images/animated.gif"));
    ASSERT_FALSE(bytes.empty());
    dir.write("fotos/anim.gif", bytes);
    fs::create_directories(dir.file("salida"));
    fs::create_directories(dir.file("tmp"));
    env.FormatoImagen = "jpg";

    const std::string source = dir.file("fotos/anim.gif");
    std::optional<ImageObject> loaded = loadImage(source, registry);
    ASSERT_TRUE(loaded);
    const bool animated = isAnimatedGifSource(*loaded, extensionPart(source));
    ASSERT_TRUE(animated);
    const std::optional<ImageObject> working = prepareGifSource(std::move(loaded), extensionPart(source), registry);
    ASSERT_TRUE(working);

    EXPECT_TRUE(saveResult(planFor("anim.gif"), &*working, animated));
    EXPECT_EQ(readFile(dir.file("salida/anim.jpg")), bytes);

    EXPECT_FALSE(saveResult(planFor("anim.gif", true), &*working, animated));
    EXPECT_TRUE(namesIn(dir.file("tmp")).empty());
    env.imagenesSobreescribir = 1;
    EXPECT_FALSE(saveResult(planFor("anim.gif"), &*working, animated));
    EXPECT_EQ(readFile(source), bytes);
}

TEST_F(SaveOutput, NothingIsWrittenWithoutAWorkingImage) {
    fs::create_directories(dir.file("salida"));
    EXPECT_FALSE(saveResult(planFor("a.jpg"), nullptr, false));
    EXPECT_FALSE(saveResult(planFor("a.gif"), nullptr, true));
    EXPECT_TRUE(namesIn(dir.file("salida")).empty());
}

}  // namespace
}  // namespace tesselon

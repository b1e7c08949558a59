// A JPEG turned a quarter while it is decoded gives exactly what decoding it whole and
// then colouring and turning it gives, fails where that fails, and stays within the
// same memory guards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "processing/batch/batch_jobs.h"
#include "processing/batch/image_pipeline.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/turned_decode.h"
#include "processing/batch_test_support.h"
#include "processing/filters/filters.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::batch::BatchFixture;

// The fixture photo at a size that is no multiple of the decoder's band, of 8 nor of 16.
std::string photoJpeg(int width, int height) {
    ImageObject photo = testing::decodedFixture("photo.jpg");
    resizeForOutput(photo, false, width, height);
    const std::optional<std::string> bytes = encodeImage(photo, *formatByExtension("jpg"), {EncodeQuality::ofLevel(9)});
    EXPECT_TRUE(bytes);
    return bytes.value_or("");
}

const uint8_t* bytesOf(const std::string& data) { return reinterpret_cast<const uint8_t*>(data.data()); }

// The whole decode, its colours and its turn, one after another.
std::optional<ImageObject> wholeThenTurned(const std::string& jpeg, const STRProcesosImage& ops) {
    std::optional<ImageObject> picture = catchImage(bytesOf(jpeg), jpeg.size(), standardRegistry());
    if (!picture) return std::nullopt;
    if (ops.Contraste > 0) applyContrast(*picture, ops.Contraste);
    if (ops.EscalaGrises) applyGreyScale(*picture);
    if (ops.InvertirColores) applyInvert(*picture);
    if (ops.TintarImagen) applyTint(*picture, uint32_t(ops.TinteColor), ops.TinteCantidad);
    return rotateImage(*picture, ops.Rotar, uint32_t(ops.ColorFondo));
}

void expectTurnedAsWhole(const std::string& jpeg, const STRProcesosImage& ops) {
    const TurnedDecode turned = decodeTurned(bytesOf(jpeg), jpeg.size(), standardRegistry(),
                                             standardRegistry().limits(), ops);
    const std::optional<ImageObject> whole = wholeThenTurned(jpeg, ops);
    ASSERT_EQ(turned.outcome, TurnedDecodeOutcome::Turned);
    ASSERT_TRUE(turned.image);
    ASSERT_TRUE(whole);
    EXPECT_EQ(turned.image->width, whole->width);
    EXPECT_EQ(turned.image->height, whole->height);
    EXPECT_TRUE(turned.image->pixels == whole->pixels);
}

STRProcesosImage quarterTurn(int degrees) {
    STRProcesosImage ops;
    ops.Rotar = degrees;
    ops.ColorFondo = 0x00204080;
    return ops;
}

TEST(TurnedDecode, AQuarterTurnOfOddSizedPhotosIsTheWholePicturesTurn) {
    for (const auto& [width, height] : {std::pair{61, 45}, std::pair{45, 61}, std::pair{33, 17}, std::pair{301, 263}}) {
        const std::string jpeg = photoJpeg(width, height);
        for (int degrees : {90, 270}) {
            SCOPED_TRACE(::testing::Message() << width << "x" << height << " turned " << degrees);
            expectTurnedAsWhole(jpeg, quarterTurn(degrees));
        }
    }
}

TEST(TurnedDecode, GreyTakenDuringTheTurnIsTheWholePicturesGrey) {
    const std::string jpeg = photoJpeg(93, 275);
    for (int degrees : {90, 270}) {
        STRProcesosImage ops = quarterTurn(degrees);
        ops.EscalaGrises = 1;
        SCOPED_TRACE(degrees);
        expectTurnedAsWhole(jpeg, ops);
    }
}

TEST(TurnedDecode, ColoursDoneBandByBandAreTheWholePicturesColours) {
    const std::string jpeg = photoJpeg(259, 143);
    for (int degrees : {90, 270}) {
        STRProcesosImage ops = quarterTurn(degrees);
        ops.Contraste = 60;
        ops.EscalaGrises = 1;
        ops.InvertirColores = 1;
        ops.TintarImagen = 1;
        ops.TinteColor = 0x003366CC;
        ops.TinteCantidad = 35;
        SCOPED_TRACE(degrees);
        expectTurnedAsWhole(jpeg, ops);
    }
}

TEST(TurnedDecode, GreyCmykAndProgressiveFilesTurnAsTheirWholeDecode) {
    for (const char* name : {"grey.jpg", "cmyk_red.jpg", "progressive.jpg", "photo.jpg"}) {
        SCOPED_TRACE(name);
        STRProcesosImage ops = quarterTurn(270);
        ops.EscalaGrises = 1;
        expectTurnedAsWhole(testing::imageFixture(name), ops);
    }
}

TEST(TurnedDecode, ACutFileFailsWhereItsWholeDecodeFails) {
    const std::string jpeg = photoJpeg(61, 45);
    for (size_t keep : {size_t(3), size_t(200), jpeg.size() / 3, jpeg.size() / 2, jpeg.size() - 2}) {
        SCOPED_TRACE(keep);
        const std::string cut = jpeg.substr(0, keep);
        const TurnedDecode turned =
            decodeTurned(bytesOf(cut), cut.size(), standardRegistry(), standardRegistry().limits(), quarterTurn(90));
        EXPECT_FALSE(catchImage(bytesOf(cut), cut.size(), standardRegistry()));
        EXPECT_NE(turned.outcome, TurnedDecodeOutcome::Turned);
        EXPECT_FALSE(turned.image);
    }
}

TEST(TurnedDecode, APictureLargerThanTheLimitsIsNotDecoded) {
    const std::string jpeg = photoJpeg(61, 45);
    DecodeLimits limits = standardRegistry().limits();
    limits.maxPixels = 61 * 45 - 1;
    const TurnedDecode turned = decodeTurned(bytesOf(jpeg), jpeg.size(), standardRegistry(), limits, quarterTurn(90));
    EXPECT_FALSE(turned.image);
    EXPECT_FALSE(catchImage(bytesOf(jpeg), jpeg.size(), standardRegistry(), limits));
}

// The chain as a batch runs it, on photos written into the batch's source folder.
struct TurnedChain : BatchFixture {
    TurnedChain() {
        state.settings.entorno.FormatoImagen = "jpg";
        state.settings.entorno.CalidadGrabacion = 85;
        STRProcesosImage& ops = state.settings.image;
        ops.EscalaGrises = 1;
        ops.Rotar = 90;
        ops.ResizeActivo = 1;
        ops.ResizeProporcional = 1;
        ops.ResizeH = 120;
        ops.ResizeV = 120;
        ops.MarcaDeAgua = 1;
        ops.RotarAntesQueTexto = 0;
    }
    void addSource(const std::string& name, const std::string& bytes) {
        dir.write("in/" + name, bytes);
        scan();
    }
    // wholePicture: the desktop's source pane is shown the upright picture, which the
    // chain then decodes whole.
    PipelineResult run(bool wholePicture, MemoryBudget* budget = nullptr, bool fingerprint = false) {
        PipelineSettings settings = pipelineSettingsOf(testing::batch::inputsOf(state));
        settings.memory = budget;
        PipelineJob job = jobForEntry(testing::batch::inputsOf(state), 0, 0, false, temporaryFolder());
        if (wholePicture) job.onSourceLoaded = [](const ImageObject&) {};
        job.fingerprintSource = fingerprint;
        std::filesystem::create_directories(job.plan.destinationFolder);
        std::filesystem::remove(job.plan.savePath);
        output = job.plan.savePath;
        return processImage(settings, job);
    }
    std::string output;
};

TEST(TurnedChain, TheBatchWritesTheSameFileWhetherThePhotoWasTurnedWhileDecodedOrNot) {
    TurnedChain f;
    f.addSource("photo.jpg", photoJpeg(301, 263));
    for (int degrees : {90, 270}) {
        SCOPED_TRACE(degrees);
        f.state.settings.image.Rotar = degrees;
        ASSERT_TRUE(f.run(true).saved);
        const std::string whole = testing::readFile(f.output);
        const PipelineResult streamed = f.run(false);
        ASSERT_TRUE(streamed.saved);
        EXPECT_TRUE(streamed.textStepRan);
        EXPECT_FALSE(whole.empty());
        EXPECT_TRUE(testing::readFile(f.output) == whole);
    }
}

TEST(TurnedChain, ACutPhotoIsReportedDamagedAndWritesNothing) {
    TurnedChain f;
    const std::string jpeg = photoJpeg(301, 263);
    f.addSource("photo.jpg", jpeg.substr(0, jpeg.size() / 2));
    const PipelineResult whole = f.run(true);
    const PipelineResult streamed = f.run(false);
    EXPECT_FALSE(streamed.saved);
    EXPECT_FALSE(streamed.loaded);
    EXPECT_EQ(streamed.failure, ImageFailure::Damaged);
    EXPECT_EQ(streamed.failure, whole.failure);
    EXPECT_EQ(streamed.problem, whole.problem);
    EXPECT_FALSE(std::filesystem::exists(f.output));
}

TEST(TurnedChain, APhotoNeedingMoreThanTheMemoryLimitIsRefused) {
    TurnedChain f;
    f.addSource("photo.jpg", photoJpeg(301, 263));
    MemoryBudget tight(uint64_t(8) << 20);
    const PipelineResult result = f.run(false, &tight);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.failure, ImageFailure::OverMemoryLimit);
    EXPECT_EQ(tight.held(), 0u);
}

TEST(TurnedChain, TheSourceFingerprintIsTakenAsForAWholeDecode) {
    TurnedChain f;
    f.addSource("photo.jpg", photoJpeg(61, 45));
    const PipelineResult whole = f.run(true, nullptr, true);
    const PipelineResult streamed = f.run(false, nullptr, true);
    ASSERT_TRUE(streamed.source);
    ASSERT_TRUE(whole.source);
    EXPECT_EQ(streamed.source->digest, whole.source->digest);
}

// Copies the rows it is given into an upright picture, as the source pane's maker sees them.
class RowsSeen : public RowPicture {
public:
    RowsSeen(int width, int height, bool& finished, std::optional<ImageObject>& picture)
        : finished_(finished), picture_(picture) {
        picture_ = createImage(width, height, 24, 0);
    }
    void take(const ImageObject& band, int count) override {
        for (int y = 0; y < count; ++y, ++next_)
            std::copy_n(band.row(y), size_t(band.width) * 3, picture_->row(next_));
    }
    void finish() override { finished_ = next_ == picture_->height; }

private:
    bool& finished_;
    std::optional<ImageObject>& picture_;
    int next_ = 0;
};

// The window's source pane is shown every photo: one turned while decoded shows its
// upright rows, before the grey scale, and writes the same file as one decoded whole.
TEST(TurnedChain, TheSourcePaneIsShownTheUprightRowsOfAPhotoTurnedWhileDecoded) {
    TurnedChain f;
    const std::string jpeg = photoJpeg(301, 263);
    f.addSource("photo.jpg", jpeg);
    ASSERT_TRUE(f.run(true).saved);
    const std::string whole = testing::readFile(f.output);

    PipelineSettings settings = pipelineSettingsOf(testing::batch::inputsOf(f.state));
    PipelineJob job = jobForEntry(testing::batch::inputsOf(f.state), 0, 0, false, temporaryFolder());
    int wholeImagesShown = 0;
    bool finished = false;
    std::optional<ImageObject> seen;
    job.onSourceLoaded = [&](const ImageObject&) { ++wholeImagesShown; };
    job.sourceRows = [&](int width, int height) -> std::unique_ptr<RowPicture> {
        return std::make_unique<RowsSeen>(width, height, finished, seen);
    };
    std::filesystem::remove(job.plan.savePath);
    ASSERT_TRUE(processImage(settings, job).saved);
    EXPECT_EQ(wholeImagesShown, 0);
    EXPECT_TRUE(finished);
    const std::optional<ImageObject> upright = catchImage(bytesOf(jpeg), jpeg.size(), standardRegistry());
    ASSERT_TRUE(seen && upright);
    EXPECT_TRUE(seen->pixels == upright->pixels);
    EXPECT_TRUE(testing::readFile(f.output) == whole);

    // A pane that cannot take rows is shown the whole upright photo instead.
    std::optional<ImageObject> shownWhole;
    job.onSourceLoaded = [&](const ImageObject& image) { shownWhole = copyImage(image); };
    job.sourceRows = [](int, int) -> std::unique_ptr<RowPicture> { return nullptr; };
    ASSERT_TRUE(processImage(settings, job).saved);
    ASSERT_TRUE(shownWhole);
    EXPECT_TRUE(shownWhole->pixels == upright->pixels);
}

}  // namespace
}  // namespace tesselon

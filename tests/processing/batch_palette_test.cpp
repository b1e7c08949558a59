// Palette sources through whole batches: with no operation every pixel survives, alpha
// included; a watermark leaves the pixels it does not touch as they were.
#include <gtest/gtest.h>

#include <set>

#include "processing/batch/run_batch.h"
#include "processing/batch_test_support.h"
#include "runtime/fs/paths.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::Bgra;
using testing::pixelAt;
using testing::batch::BatchFixture;

std::string outputName(const std::string& name, const std::string& format) {
    return format == "original" ? name : name.substr(0, name.rfind('.') + 1) + format;
}

TEST(BatchPalette, NoOperationKeepsEveryPixelOfGifAndPalettePngSources) {
    const std::vector<testing::PaletteSample> corpus = testing::paletteCorpus();
    for (const std::string format : {"original", "png", "gif"}) {
        BatchFixture f;
        for (const testing::PaletteSample& sample : corpus) f.dir.write("in/" + sample.name, sample.bytes);
        f.state.settings.entorno.ExtensionesActivas = "GIF|PNG";
        f.state.settings.entorno.FormatoImagen = format;
        f.state.settings.image.MarcaDeAgua = 0;
        f.scan();
        ASSERT_EQ(f.state.SourceImageList.size(), corpus.size());
        runBatch(f.batch(), false);
        for (const testing::PaletteSample& sample : corpus) {
            SCOPED_TRACE(format + ": " + sample.name);
            const std::optional<ImageObject> result =
                loadImage(f.dir.file("out/" + outputName(sample.name, format)), f.state.codecs);
            ASSERT_TRUE(result);
            const std::string written = format == "original" ? extensionPart(sample.name) : format;
            EXPECT_EQ(result->format, written == "gif" ? kFormatGIF : kFormatPNG);
            // A GIF cannot keep partial alpha: palette PNGs that have some are left to
            // the formats that can.
            const bool partial = std::any_of(sample.pixels.begin(), sample.pixels.end(),
                                             [](const Bgra& p) { return p[3] != 0 && p[3] != 255; });
            if (written == "gif" && partial) continue;
            EXPECT_TRUE(testing::sameVisiblePixels(*result, sample));
        }
    }
}

// A 240 x 160 GIF in `colours` colours: stripes of all of them, or with `framed` set
// only a frame of them around a middle of one colour. Its top left corner is transparent.
std::string stripedGif(int colours, bool framed) {
    std::vector<GifColorType> map;
    for (int i = 0; i < 256; ++i) map.push_back({uint8_t(i * 3 + 20), uint8_t(200 - i / 2), uint8_t(i * 89)});
    testing::GifFrameSpec frame{0, 0, 240, 160, {}, DISPOSAL_UNSPECIFIED, 255, 0};
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 240; ++x) {
            const bool middle = framed && x >= 20 && x < 220 && y >= 20 && y < 140;
            frame.indices.push_back(x < 10 && y < 10 ? 255 : middle ? 0 : uint8_t((x + y * 240) % colours));
        }
    }
    return testing::makeGif(240, 160, map, 0, {frame});
}

size_t visibleColours(const ImageObject& image) {
    std::set<Bgra> colours;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Bgra p = pixelAt(image, x, y);
            colours.insert(p[3] == 0 ? Bgra{} : p);
        }
    }
    return colours.size();
}

struct WatermarkedGif {
    std::optional<ImageObject> source;
    std::optional<ImageObject> unreduced;  // the same job saved as PNG
    std::optional<ImageObject> gif;
};

WatermarkedGif watermark(const std::string& gif, const std::string& text, int points = 0) {
    BatchFixture f;
    f.dir.write("in/web.gif", gif);
    f.state.settings.entorno.ExtensionesActivas = "GIF";
    f.state.settings.image.MarcaDeAgua = 1;
    if (!text.empty()) f.state.settings.texto.TextoMarcaAgua = text;
    if (points) f.state.settings.texto.FuenteUsada.Tamagno = points;
    f.scan();
    for (const std::string format : {"png", "original"}) {
        f.state.settings.entorno.FormatoImagen = format;
        runBatch(f.batch(), false);
    }
    return {loadImage(f.dir.file("in/web.gif"), f.state.codecs), loadImage(f.dir.file("out/web.png"), f.state.codecs),
            loadImage(f.dir.file("out/web.gif"), f.state.codecs)};
}

TEST(BatchPalette, WatermarkThatStillFitsChangesNoOtherColour) {
    const WatermarkedGif result = watermark(stripedGif(60, true), "Hola", 8);
    ASSERT_TRUE(result.source && result.unreduced && result.gif);
    ASSERT_LE(visibleColours(*result.unreduced), 256u);
    ASSERT_NE(result.unreduced->pixels, result.source->pixels);
    EXPECT_EQ(pixelAt(*result.gif, 2, 2)[3], 0);
    EXPECT_TRUE(testing::sameVisiblePixels(*result.gif, *result.unreduced));
}

TEST(BatchPalette, WatermarkThatAddsTooManyColoursLeavesTheOthersExact) {
    // The default watermark blends thousands of colours into twenty flat ones.
    const WatermarkedGif result = watermark(stripedGif(20, false), "");
    ASSERT_TRUE(result.source && result.unreduced && result.gif);
    ASSERT_GT(visibleColours(*result.unreduced), 256u);
    int untouched = 0, kept = 0;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 240; ++x) {
            const Bgra before = pixelAt(*result.source, x, y);
            if (before != pixelAt(*result.unreduced, x, y)) continue;
            ++untouched;
            kept += pixelAt(*result.gif, x, y) == before;
        }
    }
    EXPECT_GT(untouched, 0);
    EXPECT_EQ(kept, untouched);
}

}  // namespace
}  // namespace tesselon

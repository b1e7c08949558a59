#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "processing/text/text_block.h"
#include "processing/text/text_layout.h"
#include "processing/text/text_render.h"
#include "processing/text/text_wrap.h"
#include "runtime/drawing/font.h"
#include "runtime/drawing/vector_drawing.h"
#include "runtime/imaging/image_operations.h"
#include "text_test_images.h"

namespace tesselon {
namespace {

using testing::arialRecord;
using testing::noisyImage;

uint32_t styleOf(const STRFuente& f) {
    return uint32_t(f.Bold | f.Cursiva | f.Subrayado | f.Tachado);
}

struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
};

// Pixels of the 24-bit image that differ from the background colour.
Bounds changedPixels(const ImageObject& image, uint8_t background) {
    Bounds b;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        for (int x = 0; x < image.width; ++x, p += 3) {
            if (p[0] != background || p[1] != background || p[2] != background) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
        }
    }
    return b;
}

std::vector<uint8_t> pixelAt(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + x * image.bytesPerPixel();
    return std::vector<uint8_t>(p, p + image.bytesPerPixel());
}

ImageObject drawn(const std::string& text, const ImageObject& image, const STRFuente& font, int position) {
    std::optional<ImageObject> result = drawTextBlock(text, copyImage(image), font, position, kDefaultDpi);
    EXPECT_TRUE(result);
    return result.value_or(ImageObject{});
}

// Lays the text out as drawTextBlock does and renders it both ways.
void expectCropMatchesWholeImage(const std::string& text, const ImageObject& image, const STRFuente& record,
                                 int position) {
    const Font font = loadFont(record.Nombre, record.Tamagno, styleOf(record), kDefaultDpi).value();
    TextMeasurer measurer;
    const std::optional<TextBlockLayout> layout =
        fitTextBlock(measurer, font, record.Tamagno, normaliseLineBreaks(text), image.width, image.height, position,
                     record.Interlinea);
    ASSERT_TRUE(layout);
    const std::vector<PlacedLine> lines = placeLines(measurer, *layout, image.width, position);
    ImageObject crop = copyImage(image).value();
    ImageObject whole = copyImage(image).value();
    ASSERT_TRUE(renderTextLines(crop, font, layout->fontSize, lines, textColours(record), RenderArea::InkCrop));
    ASSERT_TRUE(renderTextLines(whole, font, layout->fontSize, lines, textColours(record), RenderArea::WholeImage));
    EXPECT_NE(whole.pixels, image.pixels) << "nothing drawn for " << text.substr(0, 40);
    EXPECT_TRUE(crop.pixels == whole.pixels) << "crop differs for " << text.substr(0, 40) << " at " << position;
}

TEST(TextBlock, MissingOrUndrawableImages) {
    EXPECT_FALSE(drawTextBlock("Hola", std::nullopt, arialRecord(24), 6, kDefaultDpi));
    ImageObject broken;
    broken.width = 20;
    broken.height = 20;
    const std::optional<ImageObject> back = drawTextBlock("Hola", broken, arialRecord(24), 6, kDefaultDpi);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 20);
    EXPECT_TRUE(back->pixels.empty());
}

TEST(TextBlock, CentredMiddleInkLandsWhereTheLayoutPutsIt) {
    const STRFuente record = arialRecord(24, 256, 512);
    const ImageObject image = drawn("Texto", createImage(1000, 800, 24, 0xFFFFFF).value(), record, 6);

    TextMeasurer m;
    ASSERT_TRUE(m.setFont(loadFont("Arial", 24, kFontBold | kFontItalic, kDefaultDpi).value(), 24));
    const TextBox ink = m.inkBox("Texto");
    const double lh = std::round(m.height("|", kTextVisible));
    const double x = std::round(500 - ink.width / 2);
    const double y = std::round(400 - lh * 0.5);
    const Bounds b = changedPixels(image, 255);
    // The outline reaches a pixel beyond the glyphs, anti-aliasing one more.
    EXPECT_NEAR(b.left, x + ink.x - 1, 1.5);
    EXPECT_NEAR(b.right, x + ink.x + ink.width + 1, 1.5);
    EXPECT_NEAR(b.top, y + ink.y - 1, 1.5);
    EXPECT_NEAR(b.bottom, y + ink.y + ink.height + 1, 1.5);
}

TEST(TextBlock, TransparenciesGiveHollowLettersOrNothing) {
    const ImageObject white = createImage(300, 300, 24, 0xFFFFFF).value();
    STRFuente record = arialRecord(160, 256);
    record.Color = 0x0000FF;       // red inside
    record.ColorBorde = 0xFF0000;  // blue outline
    const Bounds stem = changedPixels(drawn("I", white, record, 6), 255);
    const int cx = (stem.left + stem.right) / 2, cy = (stem.top + stem.bottom) / 2;
    const std::vector<uint8_t> red{0, 0, 255}, blue{255, 0, 0}, background{255, 255, 255};
    EXPECT_EQ(pixelAt(drawn("I", white, record, 6), cx, cy), red);

    record.TransparenciaInterior = 255;
    const ImageObject hollow = drawn("I", white, record, 6);
    EXPECT_EQ(pixelAt(hollow, cx, cy), background);
    int outline = 0;
    for (int x = stem.left; x <= stem.right; ++x)
        outline += pixelAt(hollow, x, cy) == blue;
    EXPECT_GE(outline, 2);  // both sides of the stem

    record.TransparenciaBorde = 255;
    EXPECT_EQ(drawn("I", white, record, 6).pixels, white.pixels);

    // Out-of-range transparencies count as the nearest end instead of wrapping.
    record.TransparenciaInterior = -1;
    record.TransparenciaBorde = 300;
    EXPECT_EQ(pixelAt(drawn("I", white, record, 6), cx, cy), red);
    EXPECT_EQ(textColours(record).outline >> 24, 0u);
    EXPECT_EQ(textColours(record).interior >> 24, 255u);
}

TEST(TextBlock, CropRenderingMatchesTheWholeImage) {
    const std::string watermark = "Text Sample\nover Image\n@ 2025 Halvren Labs";
    std::string longPhrase;
    while (longPhrase.size() < 2000)
        longPhrase += "texto largo que se corta ";

    STRFuente plain = arialRecord(24, 256, 512);
    expectCropMatchesWholeImage(watermark, noisyImage(900, 600, 24, 1), plain, 6);
    expectCropMatchesWholeImage(watermark, noisyImage(901, 601, 32, 2), plain, 9);
    expectCropMatchesWholeImage(watermark, noisyImage(333, 251, 32, 3), plain, 0);

    STRFuente sharp = arialRecord(150, 256);  // miter corners of a thick outline near the crop's edges
    sharp.TransparenciaInterior = 100;
    sharp.TransparenciaBorde = 60;
    sharp.Interlinea = 0.0f;
    expectCropMatchesWholeImage("WAVY\nMW", noisyImage(700, 400, 32, 4), sharp, 2);
    expectCropMatchesWholeImage("VAW", noisyImage(260, 300, 24, 5), sharp, 10);  // wider than the image

    STRFuente decorated = arialRecord(40, 0, 512);
    decorated.Subrayado = 4;
    decorated.Tachado = 8;
    decorated.Interlinea = 1.2f;
    expectCropMatchesWholeImage("uno\n\n\tdos tres cuatro cinco seis siete", noisyImage(420, 380, 24, 6), decorated, 5);
    expectCropMatchesWholeImage(longPhrase, noisyImage(160, 120, 32, 7), decorated, 8);  // shrunk to 4, runs off
}

// The fitting only measures; the result must be what drawing every attempt, painting
// the untouched image back over it and drawing the last size gives on an opaque image.
TEST(TextBlock, SameAsDrawingEachAttemptAndRestoringOnOpaqueImages) {
    const auto reference = [](const std::string& text, const ImageObject& image, const STRFuente& record,
                              int position) {
        const Font font = loadFont(record.Nombre, record.Tamagno, styleOf(record), kDefaultDpi).value();
        ImageObject canvas = copyImage(image).value();
        const ImageObject pristine = copyImage(image).value();
        const auto drawAt = [&](VectorDrawing& drawing, int size) {
            TextMeasurer m;
            m.setFont(font, size);
            drawing.setFont(font, size);
            const TextBlockLayout layout =
                layoutTextBlock(m, text, image.width, image.height, position, record.Interlinea);
            for (const PlacedLine& line : placeLines(m, layout, image.width, position)) {
                drawing.movePathCursor(line.x, line.y);
                drawing.addPathText(line.text);
                drawing.setSourceColour(textColours(record).outline);
                drawing.customDashStroke(2, {99999, 0}, 0, 0);
                drawing.setSourceColour(textColours(record).interior);
                drawing.movePathCursor(line.x, line.y);
                drawing.addPathText(line.text);
                drawing.fillPath(0);
            }
            return layout.bottom;
        };
        int size = record.Tamagno;
        {
            VectorDrawing drawing = VectorDrawing::start(canvas).value();
            double bottom = 0;
            do {
                bottom = drawAt(drawing, size);
                if (bottom > image.height)
                    --size;
            } while (bottom > image.height && size > 4);
            drawing.movePathCursor(0, 0);
            drawing.drawVectorImage(pristine, 255);
        }
        VectorDrawing drawing = VectorDrawing::start(canvas).value();
        drawAt(drawing, size);
        drawing.finish();
        return canvas;
    };

    STRFuente record = arialRecord(40, 256);
    record.TransparenciaInterior = 90;
    const std::string text = "Una frase bastante larga para que la letra tenga que encoger varias veces";
    for (const ImageObject& image : {noisyImage(220, 90, 24, 8), noisyImage(221, 90, 32, 9)}) {
        ImageObject opaque = image;
        for (size_t i = 3; image.depth == 32 && i < opaque.pixels.size(); i += 4)
            opaque.pixels[i] = 255;
        EXPECT_EQ(drawn(text, opaque, record, 6).pixels, reference(text, opaque, record, 6).pixels);
    }
}

TEST(TextBlock, EarlierAttemptsLeaveNoTraceOnTransparentImages) {
    const std::string text = "Una frase que no cabe a este tamaño";
    const ImageObject clear = createImage(200, 60, 32, kTransparentFill).value();
    const Font font = loadFont("Arial", 60, kFontBold, kDefaultDpi).value();
    TextMeasurer m;
    const std::optional<TextBlockLayout> layout = fitTextBlock(m, font, 60, text, 200, 60, 0, 2.0);
    ASSERT_LT(layout->fontSize, 60);
    ImageObject once = clear;
    renderTextLines(once, font, layout->fontSize, placeLines(m, *layout, 200, 0), textColours(arialRecord(60)));
    EXPECT_NE(once.pixels, clear.pixels);
    // Only the final size is there: nothing of the larger attempts.
    EXPECT_EQ(drawn(text, clear, arialRecord(60, 256), 0).pixels, once.pixels);
}

TEST(TextBlock, FontFallbackDefaultSizeAndLineEnds) {
    const ImageObject image = noisyImage(400, 200, 24, 10);
    // A face that cannot be loaded gives bold Arial at the requested size, whatever the style.
    STRFuente unloadable = arialRecord(30, 0, 512);
    unloadable.Nombre = std::string("Ari\0al", 6);
    const ImageObject fallback = drawn("Hola mundo", image, unloadable, 6);
    EXPECT_EQ(fallback.pixels, drawn("Hola mundo", image, arialRecord(30, 256), 6).pixels);
    EXPECT_NE(fallback.pixels, drawn("Hola mundo", image, arialRecord(30, 0, 512), 6).pixels);

    EXPECT_EQ(drawn("Hola", image, arialRecord(0), 6).pixels, drawn("Hola", image, arialRecord(26), 6).pixels);

    const ImageObject lf = drawn("uno\ndos", image, arialRecord(20), 5);
    for (const char* text : {"uno\r\ndos", "uno\n\rdos", "uno\rdos"})
        EXPECT_EQ(drawn(text, image, arialRecord(20), 5).pixels, lf.pixels) << text;
}

TEST(TextBlock, WorkersOnSeveralThreadsDrawAlike) {
    const ImageObject image = noisyImage(500, 300, 24, 12);
    const STRFuente record = arialRecord(24, 256, 512);
    const std::string text = "Text Sample\nover Image\n@ 2025 Halvren Labs";
    const ImageObject expected = drawn(text, image, record, 6);
    std::vector<std::vector<uint8_t>> results(3);
    std::vector<std::thread> workers;
    for (auto& result : results) {
        workers.emplace_back([&] {
            for (int i = 0; i < 4; ++i)
                result = drawTextBlock(text, image, record, 6, kDefaultDpi).value().pixels;
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    for (const auto& result : results)
        EXPECT_TRUE(result == expected.pixels);
}

}  // namespace
}  // namespace tesselon

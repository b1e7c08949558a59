#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "processing/text/overlay_text.h"
#include "processing/text/text_block.h"
#include "processing/text/text_sample.h"
#include "runtime/drawing/font.h"
#include "runtime/imaging/image_operations.h"
#include "support/scripted_frontend.h"
#include "text_test_images.h"

namespace tesselon {
namespace {

TEST(OverlayText, WatermarkPhraseOrDefault) {
    Settings settings;
    settings.texto.TextoMarcaAgua = "Hola|mundo||fin";
    const PackedStrings phrases{"uno", "dos", "tres"};
    const std::string fallback = "Text Sample|over Image";

    settings.texto.SoloMarcadeAgua = 1;
    EXPECT_EQ(textForEntry(settings, phrases, fallback, 1), "Hola\nmundo\n\nfin");
    settings.texto.SoloMarcadeAgua = 2;  // any set value uses the watermark
    EXPECT_EQ(textForEntry(settings, phrases, fallback, 1), "Hola\nmundo\n\nfin");

    settings.texto.SoloMarcadeAgua = 0;
    EXPECT_EQ(textForEntry(settings, phrases, fallback, 1), "dos");
    EXPECT_EQ(textForEntry(settings, phrases, fallback, 4), "dos");
    EXPECT_EQ(textForEntry(settings, {}, fallback, 0), fallback);  // its "|" stay
}

TEST(OverlayText, PhrasesCycleOverTheImagesOfARun) {
    std::vector<size_t> used;
    for (size_t image = 0; image < 7; ++image)
        used.push_back(phraseIndexForImage(image, 3));
    EXPECT_EQ(used, (std::vector<size_t>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(phraseIndexForImage(5, 1), 0u);
    EXPECT_EQ(phraseIndexForImage(5, 0), 0u);
}

class SampleFrontend : public testing::ScriptedFrontend {
public:
    std::vector<std::pair<ImageObject, int>> shown;
    void showPreviewImage(const ImageObject& image, int pane) override { shown.emplace_back(image, pane); }
};

TEST(TextSample, DrawnOnACopyOfThePlaceholderAndShownInTheResultPane) {
    SampleFrontend frontend;
    AppState state;
    state.frontend = &frontend;
    state.DefaultWatermarkText = "Text Sample|over Image";
    state.settings.texto.FuenteUsada = testing::arialRecord(24, 256, 512);
    state.settings.texto.TextoPosicion = 6;
    state.settings.texto.TextoMarcaAgua = "Marca|de agua";
    const ImageObject placeholder = testing::noisyImage(380, 251, 24, 11);
    const ImageObject untouched = placeholder;
    const auto expected = [&](const std::string& text) {
        return drawTextBlock(text, placeholder, state.settings.texto.FuenteUsada, 6, state.fontDpi).value().pixels;
    };

    state.settings.texto.SoloMarcadeAgua = 1;
    refreshTextSample(state.settings, state.DefaultWatermarkText, state.fontDpi, state.frontend, placeholder);
    state.settings.texto.SoloMarcadeAgua = 0;
    refreshTextSample(state.settings, state.DefaultWatermarkText, state.fontDpi, state.frontend, placeholder);
    state.settings.texto.SoloMarcadeAgua = 2;  // only exactly 1 shows the watermark here
    refreshTextSample(state.settings, state.DefaultWatermarkText, state.fontDpi, state.frontend, placeholder);

    ASSERT_EQ(frontend.shown.size(), 3u);
    for (const auto& [image, pane] : frontend.shown)
        EXPECT_EQ(pane, 1);
    EXPECT_EQ(frontend.shown[0].first.pixels, expected("Marca\nde agua"));
    EXPECT_EQ(frontend.shown[1].first.pixels, expected("Text Sample|over Image"));
    EXPECT_NE(frontend.shown[1].first.pixels, expected("Text Sample\nover Image"));
    EXPECT_EQ(frontend.shown[2].first.pixels, frontend.shown[1].first.pixels);
    EXPECT_EQ(placeholder.pixels, untouched.pixels);

    // A placeholder that is no image gives no sample.
    refreshTextSample(state.settings, state.DefaultWatermarkText, state.fontDpi, state.frontend, ImageObject{});
    EXPECT_EQ(frontend.shown.size(), 3u);
}

}  // namespace
}  // namespace tesselon

#include "processing/text/text_block.h"

#include "processing/text/text_layout.h"
#include "processing/text/text_render.h"
#include "processing/text/text_wrap.h"
#include "runtime/drawing/font.h"
#include "runtime/drawing/text_measurer.h"

namespace tesselon {

namespace {

uint32_t styleOf(const STRFuente& font) {
    return uint32_t(font.Bold | font.Cursiva | font.Subrayado | font.Tachado);
}

}  // namespace

std::optional<ImageObject> drawTextBlock(const std::string& text, std::optional<ImageObject> image,
                                         const STRFuente& font, int position, int fontDpi) {
    if (!image)
        return std::nullopt;
    const int startSize = font.Tamagno == 0 ? kDefaultTextSize : font.Tamagno;
    std::optional<Font> loaded = loadFont(font.Nombre, font.Tamagno, styleOf(font), fontDpi);
    if (!loaded)
        loaded = loadFont("Arial", startSize, kFontBold, fontDpi);
    if (!loaded || !image->valid())
        return image;

    // The fitting only measures; the text is drawn once, at the size it ends with, on
    // the untouched image. Drawing every attempt and painting the original back over
    // it would leave traces wherever the image is transparent.
    TextMeasurer measurer;
    const std::string normalised = normaliseLineBreaks(text);
    const std::optional<TextBlockLayout> layout = fitTextBlock(
        measurer, *loaded, startSize, normalised, image->width, image->height, position, double(font.Interlinea));
    if (!layout)
        return image;
    const std::vector<PlacedLine> lines = placeLines(measurer, *layout, image->width, position);
    renderTextLines(*image, *loaded, layout->fontSize, lines, textColours(font));
    return image;
}

}  // namespace tesselon

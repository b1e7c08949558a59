// Times the text overlay on a 4000 x 3000 24-bit image with the default font settings
// and the default watermark, as a batch draws it on every photo: drawing on a crop
// around the text (what drawTextBlock does) next to drawing through a surface of the
// whole image, on one thread.
//
// Usage: text_bench [repeats]
// Figures are the best and the mean of the repeats, in milliseconds per image.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "processing/text/overlay_text.h"
#include "processing/text/text_block.h"
#include "processing/text/text_layout.h"
#include "processing/text/text_render.h"
#include "processing/text/text_wrap.h"
#include "runtime/imaging/image_operations.h"
#include "settings/defaults.h"

using namespace tesselon;

namespace {

ImageObject photoLikeImage(int width, int height) {
    ImageObject image = createImage(width, height, 24, 0).value();
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const int noise = int(random() % 32);
            p[0] = uint8_t((x * 255 / width + noise) & 0xFF);
            p[1] = uint8_t((y * 255 / height + noise) & 0xFF);
            p[2] = uint8_t(((x + y) * 127 / (width + height) + noise) & 0xFF);
        }
    }
    return image;
}

// Each run gets a fresh copy of the image, made outside the timed part.
void report(const char* name, int repeats, const ImageObject& source,
            const std::function<bool(ImageObject&&)>& run) {
    double best = 1e300, total = 0;
    for (int i = 0; i < repeats; ++i) {
        ImageObject image = copyImage(source).value();
        const auto start = std::chrono::steady_clock::now();
        if (!run(std::move(image))) {
            std::fprintf(stderr, "%s failed\n", name);
            std::exit(1);
        }
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        total += took.count();
    }
    std::printf("%-44s best %8.3f ms   mean %8.3f ms\n", name, best, total / repeats);
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    Settings settings;
    const std::string watermark = buildDefaultWatermarkText(std::time(nullptr));
    resetToDefaults(settings, watermark);
    const std::string text = textForEntry(settings, {}, watermark, 0);
    const STRFuente& font = settings.texto.FuenteUsada;
    const int position = settings.texto.TextoPosicion;
    const ImageObject photo = photoLikeImage(4000, 3000);

    report("drawTextBlock (crop around the text)", repeats, photo, [&](ImageObject&& image) {
        return drawTextBlock(text, std::move(image), font, position, kDefaultDpi).has_value();
    });

    report("same layout drawn through the whole image", repeats, photo, [&](ImageObject&& image) {
        const uint32_t style = uint32_t(font.Bold | font.Cursiva | font.Subrayado | font.Tachado);
        std::optional<Font> loaded = loadFont(font.Nombre, font.Tamagno, style, kDefaultDpi);
        TextMeasurer measurer;
        std::optional<TextBlockLayout> layout =
            fitTextBlock(measurer, *loaded, font.Tamagno, normaliseLineBreaks(text), image.width, image.height,
                         position, font.Interlinea);
        const std::vector<PlacedLine> lines = placeLines(measurer, *layout, image.width, position);
        return renderTextLines(image, *loaded, layout->fontSize, lines, textColours(font), RenderArea::WholeImage);
    });
    return 0;
}

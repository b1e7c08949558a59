// Images and font records for the text overlay tests.
#pragma once

#include <random>

#include "runtime/imaging/image_operations.h"
#include "core/records.h"

namespace tesselon::testing {

// Random bytes; a 32-bit image gets bands of transparent, opaque and partly transparent pixels.
inline ImageObject noisyImage(int width, int height, int depth, unsigned seed) {
    ImageObject image = createImage(width, height, depth, 0).value();
    std::mt19937 random(seed);
    for (uint8_t& byte : image.pixels)
        byte = uint8_t(random());
    for (int y = 0; depth == 32 && y < height; ++y) {
        for (int x = 0; x < width; x += 37 * 3)
            for (int i = x; i < std::min(width, x + 37); ++i)
                image.row(y)[i * 4 + 3] = 0;
        for (int x = 37; x < width; x += 37 * 3)
            for (int i = x; i < std::min(width, x + 37); ++i)
                image.row(y)[i * 4 + 3] = 255;
    }
    return image;
}

// Arial at the given size, black inside, no transparency, lines two heights apart.
inline STRFuente arialRecord(int size, int bold = 0, int italic = 0) {
    STRFuente font;
    font.Nombre = "Arial";
    font.Tamagno = size;
    font.Bold = bold;
    font.Cursiva = italic;
    font.ColorBorde = 0x00FAFF;
    font.Interlinea = 2.0f;
    return font;
}

}  // namespace tesselon::testing

// Test images: the fixture files, and exact images written with the codec libraries
// themselves so that every pixel of a decoded result is known.
#pragma once

#include <gif_lib.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/imaging/image_object.h"

namespace tesselon::testing {

// Bytes of tests/data/images/<name>.
std::string imageFixture(const std::string& name);
std::vector<std::string> imageFixtureNames();

// Blue, green, red, alpha of the pixel at (x, y) from the top left; alpha 255 in 24-bit images.
using Bgra = std::array<uint8_t, 4>;
Bgra pixelAt(const ImageObject& image, int x, int y);
void setPixel(ImageObject& image, int x, int y, Bgra colour);

struct PngSpec {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint16_t> samples;  // row by row, the colour type's channels per pixel
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;         // tRNS of a palette image
    std::optional<png_color_16> transparent;  // tRNS of a grey or RGB image
};
std::string makePng(const PngSpec& spec);

struct GifFrameSpec {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    std::vector<uint8_t> indices;  // row by row, top first
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
    int delay = 0;  // hundredths of a second
    bool interlaced = false;
    bool withControl = true;  // write a graphics control extension
};
std::string makeGif(int width, int height, const std::vector<GifColorType>& globalMap, int background,
                    const std::vector<GifFrameSpec>& frames);

struct TiffSpec {
    int width = 1;
    int height = 1;
    int samples = 3;  // 1 grey, 3 RGB, 4 RGB + unassociated alpha
    int bits = 8;     // 8 or 16
    int compression = 1;
    std::vector<uint16_t> values;  // row by row, `samples` per pixel
};
std::string makeTiff(const TiffSpec& spec);

}  // namespace tesselon::testing

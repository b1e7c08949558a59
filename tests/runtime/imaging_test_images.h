// Test images: the fixture files, and exact images written with the codec libraries
// themselves so that every pixel of a decoded result is known.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/imaging/image_object.h"

namespace tesselon::testing {

// An APP1 payload with one directory holding the orientation (little-endian TIFF).
inline std::string exifWithOrientation(uint8_t orientation) {
    return std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) + char(orientation) +
           std::string("\0\0\0\0\0\0", 6);
}

// Bytes of tests/data/images/<name>.
std::string imageFixture(const std::string& name);
std::vector<std::string> imageFixtureNames();
// tests/data/images/<name> decoded by the standard codecs; a failed expectation and an
// empty image when it does not decode.
ImageObject decodedFixture(const std::string& name);

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
    std::vector<GifColorType> localMap{};  // the frame's own colour table, when not empty
};
std::string makeGif(int width, int height, const std::vector<GifColorType>& globalMap, int background,
                    const std::vector<GifFrameSpec>& frames);

// Palette images made here, with the pixels each decodes to.
struct PaletteSample {
    std::string name;  // ends in .gif or .png
    std::string bytes;
    int width = 0;
    int height = 0;
    std::vector<Bgra> pixels;  // row by row, top first
    bool transparent = false;  // some pixel has alpha below 255
};
// GIFs of 1, 2, 4 and 8 bits using every entry of their table (256 colours exactly at 8
// bits), with and without a transparent index, interlaced, with a local colour table;
// palette PNGs of 1, 2, 4 and 8 bits without and with a transparency chunk (full and
// partial alpha), interlaced.
std::vector<PaletteSample> paletteCorpus();

// Same size, same alpha everywhere, same colour wherever the alpha is not 0; the first
// difference otherwise.
::testing::AssertionResult sameVisiblePixels(const ImageObject& actual, const ImageObject& expected);
::testing::AssertionResult sameVisiblePixels(const ImageObject& actual, const PaletteSample& expected);

// What the chunks of PNG data say about its pixels.
struct PngChunks {
    int bitDepth = 0;
    int colourType = 0;
    size_t paletteEntries = 0;
    size_t transparencyBytes = 0;  // 0 without a tRNS chunk
};
PngChunks pngChunksOf(const std::string& png);

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

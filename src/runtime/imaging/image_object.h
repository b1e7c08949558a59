// An image in memory: pixels, size, depth and where it came from.
//
// Pixel layout, as every caller that touches pixels directly sees it:
//   - rows bottom-up: the first row in memory is the bottom row of the image;
//   - each row padded to a multiple of 4 bytes: a 24-bit row takes
//     (width * 3 + 3) & ~3 bytes, a 32-bit row width * 4 bytes;
//   - a 24-bit pixel is blue, green, red; a 32-bit pixel is blue, green, red, alpha,
//     alpha not premultiplied (255 = opaque).
// Colours given as numbers are packed 0xAABBGGRR (red in the low byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tesselon {

// Four-character codes of the decoders, stored little-endian: which one made an image.
enum FormatCode : uint32_t {
    kFormatNone = 0,
    kFormatBMP = 0x504D42,
    kFormatPNG = 0x474E50,
    kFormatJPEG = 0x4745504A,
    kFormatTIFF = 0x46464954,
    kFormatGIF = 0x474946,
    kFormatWEBP = 0x50424557,
    kFormatAVIF = 0x46495641,
    kFormatHEIF = 0x46494548,
};

// Widths and heights are 16-bit signed in the image object.
constexpr int kMaxImageDimension = 32767;

// One frame of multi-frame data beyond the first (the first frame is the image itself).
struct ImageFrame {
    std::vector<uint8_t> pixels;  // same layout and depth as the image
    int delayMs = 0;
};

struct ImageObject {
    int16_t width = 0;
    int16_t height = 0;
    uint8_t depth = 24;        // 24 or 32
    uint8_t sourceDepth = 24;  // depth of the data it was decoded from
    uint32_t format = kFormatNone;
    int32_t frameCount = 1;
    int firstFrameDelayMs = 0;
    std::vector<uint8_t> pixels;       // first frame, layout above
    std::vector<ImageFrame> frames;    // frames 2..frameCount of multi-frame data

    static size_t pitchFor(int width, int depth) {
        return depth == 32 ? size_t(width) * 4 : (size_t(width) * 3 + 3) & ~size_t(3);
    }
    size_t pitch() const { return pitchFor(width, depth); }
    int bytesPerPixel() const { return depth == 32 ? 4 : 3; }
    bool valid() const { return width > 0 && height > 0 && pixels.size() == pitch() * size_t(height); }

    // Row y counted from the top of the image.
    uint8_t* row(int y) { return pixels.data() + size_t(height - 1 - y) * pitch(); }
    const uint8_t* row(int y) const { return pixels.data() + size_t(height - 1 - y) * pitch(); }
};

}  // namespace tesselon

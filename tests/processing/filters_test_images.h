// Small images with known pixels for the filter tests.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "processing/filters/rotation_layout.h"
#include "processing/filters/rotation_tile_renderer.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon::testing {

// Blue, green, red, alpha; alpha reads 255 in 24-bit images.
using Bgra = std::array<uint8_t, 4>;

inline Bgra pixelAt(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + size_t(x) * image.bytesPerPixel();
    return {p[0], p[1], p[2], uint8_t(image.depth == 32 ? p[3] : 255)};
}

inline void setPixel(ImageObject& image, int x, int y, Bgra colour) {
    uint8_t* p = image.row(y) + size_t(x) * image.bytesPerPixel();
    p[0] = colour[0];
    p[1] = colour[1];
    p[2] = colour[2];
    if (image.depth == 32) p[3] = colour[3];
}

// Every pixel different from its neighbours, alpha varying too (32-bit), so that moved,
// lost or swapped bytes show.
inline ImageObject patternImage(int width, int height, int depth, unsigned seed = 1) {
    ImageObject image = *createImage(width, height, depth, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            setPixel(image, x, y, {uint8_t(seed >> 8), uint8_t(seed >> 16), uint8_t(seed >> 24), uint8_t(x * 7 + y * 3)});
        }
    return image;
}

inline int maxChannelDifference(const ImageObject& a, const ImageObject& b, int x, int y) {
    const Bgra pa = pixelAt(a, x, y), pb = pixelAt(b, x, y);
    int most = 0;
    for (int i = 0; i < 4; ++i) most = std::max(most, std::abs(int(pa[i]) - int(pb[i])));
    return most;
}

// A whole turn rendered tile after tile, as rotateImage has the renderer make it; whether
// the renderer's own paths held against cairo all along goes to `ownPathsHeld`. Nothing
// when a tile fails.
inline std::optional<ImageObject> renderedTileByTile(const ImageObject& source, int degrees, uint32_t background,
                                                     PixelTone tone, bool& ownPathsHeld) {
    const RotationLayout layout = rotationLayout(source.width, source.height, degrees);
    const std::optional<cairo_matrix_t> turn = canvasToCanvasMatrix(layout, degrees);
    if (!turn) return std::nullopt;
    RotationTileRenderer renderer(source, layout, *turn, background, tone);
    std::optional<ImageObject> result = createImage(layout.resultWidth, layout.resultHeight, 24, 0);
    if (!result) return std::nullopt;
    for (int y = 0; y < layout.resultHeight; y += kRotationTileSize)
        for (int x = 0; x < layout.resultWidth; x += kRotationTileSize)
            if (!renderer.render(x, y, std::min(kRotationTileSize, layout.resultWidth - x),
                                 std::min(kRotationTileSize, layout.resultHeight - y), *result))
                return std::nullopt;
    ownPathsHeld = renderer.ownPathsHold();
    return result;
}

}  // namespace tesselon::testing

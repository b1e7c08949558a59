#include "processing/filters/rotate_image.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <new>
#include <vector>

#include "processing/filters/pixel_walk.h"
#include "processing/filters/rotation_layout.h"
#include "processing/filters/rotation_tile_renderer.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/threads/parallel_bands.h"

namespace tesselon {

namespace {

// Small enough that a tile and the part of the source it sees stay in the caches, large
// enough that the per-tile work of cairo stays negligible.
constexpr int kTileSize = 256;

void storeTile(ImageObject& result, int x, int y, int width, int height, const uint32_t* tile, int pitch) {
    for (int row = 0; row < height; ++row) {
        const uint32_t* in = tile + size_t(row) * pitch;
        uint8_t* out = result.row(y + row) + size_t(x) * 3;
        for (int col = 0; col < width; ++col, out += 3) {
            const uint32_t v = in[col];
            out[0] = uint8_t(v);
            out[1] = uint8_t(v >> 8);
            out[2] = uint8_t(v >> 16);
        }
    }
}

}  // namespace

std::optional<ImageObject> rotateImage(const ImageObject& source, int degrees, uint32_t background, int threads,
                                       BufferPool* pool) {
    if (!filterableImage(source)) return std::nullopt;
    const RotationLayout layout = rotationLayout(source.width, source.height, degrees);
    // The tiles cover the result whole.
    std::optional<ImageObject> result = allocateImageToOverwrite(layout.resultWidth, layout.resultHeight, 24, pool);
    if (!result) return std::nullopt;
    const std::optional<cairo_matrix_t> turn = canvasToCanvasMatrix(layout, degrees);
    if (!turn) return std::nullopt;
    // Each band of tile rows has a renderer and a tile of its own; a tile's pixels do
    // not depend on the others, so neither do they on how the rows were shared out.
    const int tileRows = (layout.resultHeight + kTileSize - 1) / kTileSize;
    std::atomic<bool> failed{false};
    try {
        forEachBand(tileRows, threads, 1, [&](int firstRow, int lastRow) {
            RotationTileRenderer renderer(source, layout, *turn, background);
            std::vector<uint32_t> tile(size_t(kTileSize) * kTileSize);
            for (int y = firstRow * kTileSize; y < std::min(lastRow * kTileSize, layout.resultHeight); y += kTileSize) {
                const int height = std::min(kTileSize, layout.resultHeight - y);
                for (int x = 0; x < layout.resultWidth && !failed; x += kTileSize) {
                    const int width = std::min(kTileSize, layout.resultWidth - x);
                    if (!renderer.render(x, y, width, height, tile.data(), kTileSize)) {
                        failed = true;
                        return;
                    }
                    storeTile(*result, x, y, width, height, tile.data(), kTileSize);
                }
            }
        });
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed) {
        if (pool) pool->give(*result);
        return std::nullopt;
    }
    return result;
}

}  // namespace tesselon

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

std::optional<ImageObject> rotateImage(const ImageObject& source, int degrees, uint32_t background, int threads,
                                       BufferPool* pool, PixelTone tone) {
    if (!filterableImage(source)) return std::nullopt;
    const RotationLayout layout = rotationLayout(source.width, source.height, degrees);
    // The tiles cover the result whole.
    std::optional<ImageObject> result = allocateImageToOverwrite(layout.resultWidth, layout.resultHeight, 24, pool);
    if (!result) return std::nullopt;
    const std::optional<cairo_matrix_t> turn = canvasToCanvasMatrix(layout, degrees);
    if (!turn) return std::nullopt;
    // Each band of tile rows has a renderer and a tile of its own; a tile's pixels do
    // not depend on the others, so neither do they on how the rows were shared out.
    const int tileRows = (layout.resultHeight + kRotationTileSize - 1) / kRotationTileSize;
    std::atomic<bool> failed{false};
    try {
        forEachBand(tileRows, threads, 1, [&](int firstRow, int lastRow) {
            RotationTileRenderer renderer(source, layout, *turn, background, tone);
            const int end = std::min(lastRow * kRotationTileSize, layout.resultHeight);
            for (int y = firstRow * kRotationTileSize; y < end; y += kRotationTileSize) {
                const int height = std::min(kRotationTileSize, layout.resultHeight - y);
                for (int x = 0; x < layout.resultWidth && !failed; x += kRotationTileSize) {
                    const int width = std::min(kRotationTileSize, layout.resultWidth - x);
                    if (!renderer.render(x, y, width, height, *result)) {
                        failed = true;
                        return;
                    }
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

#include "processing/filters/banded_turn.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "processing/filters/rotate_image.h"
#include "processing/filters/rotation_layout.h"
#include "processing/filters/rotation_tile_renderer.h"
#include "runtime/drawing/colour.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

struct Tile {
    int x = 0, y = 0, width = 0, height = 0;
    TileSource source;
};

// Whether no pixel of the tile maps onto the source.
bool mapsOutside(const QuarterTurnMap& map, const Tile& tile, int width, int height) {
    const int x0 = map.originX + tile.y * map.stepX, x1 = map.originX + (tile.y + tile.height - 1) * map.stepX;
    const int y0 = map.originY + tile.x * map.stepY, y1 = map.originY + (tile.x + tile.width - 1) * map.stepY;
    return std::max(x0, x1) < 0 || std::min(x0, x1) >= width || std::max(y0, y1) < 0 || std::min(y0, y1) >= height;
}

bool tileFollows(const QuarterTurnMap& map, const Tile& tile) {
    const StraightTile& straight = *tile.source.straight;
    if (straight.dx != 0 || straight.dy != map.stepY) return false;
    for (int row = 0; row < tile.height; ++row) {
        const auto [sx, sy] = straight.rowStart(row);
        if (sx != map.originX + (tile.y + row) * map.stepX || sy != map.originY + tile.x * map.stepY) return false;
    }
    return true;
}

// The first range [first, end) of k >= 0 for which origin + k * step lies in [low, high).
void rangeWithin(int origin, int step, int low, int high, int& first, int& end) {
    if (step > 0) {
        first = low - origin;
        end = high - origin;
    } else {
        first = origin - high + 1;
        end = origin - low + 1;
    }
}

}  // namespace

std::optional<QuarterTurnMap> quarterTurnMap(int width, int height, int degrees) {
    if ((degrees != 90 && degrees != 270) || width < 1 || height < 1 || width > kMaxImageDimension ||
        height > kMaxImageDimension)
        return std::nullopt;
    const RotationLayout layout = rotationLayout(width, height, degrees);
    const std::optional<cairo_matrix_t> turn = canvasToCanvasMatrix(layout, degrees);
    if (!turn) return std::nullopt;
    // The renderer asks only the source's size.
    ImageObject shape;
    shape.width = int16_t(width);
    shape.height = int16_t(height);
    const RotationTileRenderer renderer(shape, layout, *turn, 0);
    std::vector<Tile> tiles;
    std::optional<QuarterTurnMap> map;
    try {
        for (int y = 0; y < layout.resultHeight; y += kRotationTileSize) {
            for (int x = 0; x < layout.resultWidth; x += kRotationTileSize) {
                Tile tile{x, y, std::min(kRotationTileSize, layout.resultWidth - x),
                          std::min(kRotationTileSize, layout.resultHeight - y), {}};
                tile.source = renderer.tileSource(x, y, tile.width, tile.height);
                if (tile.source.sees && !tile.source.straight) return std::nullopt;
                if (!map && tile.source.straight && tile.height > 1) {
                    const StraightTile& s = *tile.source.straight;
                    const auto [x0, y0] = s.rowStart(0);
                    const auto [x1, y1] = s.rowStart(1);
                    if (s.dx != 0 || (s.dy != 1 && s.dy != -1) || y1 != y0 || (x1 - x0 != 1 && x1 - x0 != -1))
                        return std::nullopt;
                    map = QuarterTurnMap{x0 - y * (x1 - x0), y0 - x * s.dy, x1 - x0, s.dy};
                }
                tiles.push_back(tile);
            }
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!map) return std::nullopt;
    // Every tile must take its pixels where the one map says, or lie beside the source.
    for (const Tile& tile : tiles) {
        if (tile.source.straight ? !tileFollows(*map, tile) : !mapsOutside(*map, tile, width, height))
            return std::nullopt;
    }
    return map;
}

BandedTurn::BandedTurn(int width, int height, QuarterTurnMap map, PixelTone tone, ImageObject result)
    : width_(width), height_(height), map_(map), tone_(tone), result_(std::move(result)) {}

// rotateImage has cairo paint the first tile it copies straight across too, and keeps
// cairo's pixels should they differ. A small picture of the same shape (the same odd or
// even sides, the same longer side) turned both ways must therefore come out the same,
// or the bands would not give what rotateImage gives.
bool BandedTurn::agreesWithWholeTurn(int width, int height, int degrees, uint32_t background) {
    const int longer = 24, shorter = 16;
    const int smallWidth = (width > height ? longer : shorter) + width % 2;
    const int smallHeight = (height > width ? longer : shorter) + height % 2;
    std::optional<ImageObject> small = allocateImage(smallWidth, smallHeight, 24);
    if (!small) return false;
    for (int y = 0; y < smallHeight; ++y) {
        uint8_t* p = small->row(y);
        for (int x = 0; x < smallWidth; ++x, p += 3) {
            p[0] = uint8_t(x * 37 + y * 11);
            p[1] = uint8_t(x * 5 + y * 53);
            p[2] = uint8_t((x * y) ^ 0x5A);
        }
    }
    const std::optional<ImageObject> whole = rotateImage(*small, degrees, background);
    std::optional<BandedTurn> banded = startUnchecked(smallWidth, smallHeight, degrees, background);
    if (!whole || !banded) return false;
    banded->take(*small, 0, smallHeight);
    return banded->result().pixels == whole->pixels;
}

std::optional<BandedTurn> BandedTurn::start(int width, int height, int degrees, uint32_t background, PixelTone tone,
                                            BufferPool* pool) {
    if (!agreesWithWholeTurn(width, height, degrees, background)) return std::nullopt;
    return startUnchecked(width, height, degrees, background, tone, pool);
}

std::optional<BandedTurn> BandedTurn::startUnchecked(int width, int height, int degrees, uint32_t background,
                                                     PixelTone tone, BufferPool* pool) {
    const std::optional<QuarterTurnMap> map = quarterTurnMap(width, height, degrees);
    if (!map) return std::nullopt;
    const RotationLayout layout = rotationLayout(width, height, degrees);
    std::optional<ImageObject> result = allocateImageToOverwrite(layout.resultWidth, layout.resultHeight, 24, pool);
    if (!result) return std::nullopt;
    BandedTurn turn(width, height, *map, tone, std::move(*result));
    try {
        turn.runs_.reserve(size_t(turn.result_.height));
    } catch (const std::bad_alloc&) {
        if (pool) pool->give(turn.result_);
        return std::nullopt;
    }
    const uint8_t colour[3] = {blue(background), green(background), red(background)};
    turn.layBackground(colour);
    return turn;
}

// Background wherever no source pixel lands: whole rows beside the source's columns, and
// the ends of the others.
void BandedTurn::layBackground(const uint8_t colour[3]) {
    const int resultWidth = result_.width;
    int first = 0, end = 0;
    rangeWithin(map_.originY, map_.stepY, 0, height_, first, end);
    first = std::clamp(first, 0, resultWidth);
    end = std::clamp(end, first, resultWidth);
    const auto lay = [colour](uint8_t* out, int from, int to) {
        for (int x = from; x < to; ++x) std::memcpy(out + size_t(x) * 3, colour, 3);
    };
    for (int y = 0; y < result_.height; ++y) {
        uint8_t* out = result_.row(y);
        const int sx = map_.originX + y * map_.stepX;
        if (sx < 0 || sx >= width_) {
            lay(out, 0, resultWidth);
        } else {
            lay(out, 0, first);
            lay(out, end, resultWidth);
        }
    }
}

void BandedTurn::take(const ImageObject& band, int firstRow, int count) {
    if (count < 1 || band.width != width_ || band.depth != 24 || count > band.height) return;
    int xFirst = 0, xEnd = 0;
    rangeWithin(map_.originY, map_.stepY, firstRow, firstRow + count, xFirst, xEnd);
    // The run's first pixel comes from the band row nearest the source row map_.originY.
    const int firstBandRow = map_.stepY > 0 ? 0 : count - 1;
    int yFirst = 0, yEnd = 0;
    rangeWithin(map_.originX, map_.stepX, 0, width_, yFirst, yEnd);
    yFirst = std::max(yFirst, 0);
    yEnd = std::min(yEnd, int(result_.height));
    if (yFirst >= yEnd || xFirst < 0 || xEnd > result_.width) return;
    // Reserved for every result row when the turn started.
    runs_.clear();
    const uint8_t* bandRow = band.row(firstBandRow);
    for (int y = yFirst; y < yEnd; ++y) {
        const int sx = map_.originX + y * map_.stepX;
        runs_.push_back(TurnedRun{result_.row(y), bandRow + size_t(sx) * 3, xFirst, xEnd});
    }
    // Rows are stored bottom-up: a step down the band is a step back in memory.
    const ptrdiff_t stride = -ptrdiff_t(map_.stepY) * ptrdiff_t(band.pitch());
    copyTurnedRuns(runs_.data(), int(runs_.size()), stride, tone_);
}

}  // namespace tesselon

#include "processing/filters/rotation_tile_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstddef>
#include <memory>
#include <new>
#include <numbers>
#include <utility>

#include "processing/filters/convolution_sampler.h"
#include "processing/filters/over_background.h"
#include "runtime/drawing/cairo_image.h"
#include "runtime/drawing/colour.h"

namespace tesselon {

namespace {

// Background copied around the source, wider than the reach of cairo's widest filter at
// unit scale (two pixels for its cubic), so the padding beyond it is background only.
constexpr int kSourceMargin = 4;

uint32_t surfacePixel(uint32_t colour) {
    return 0xFF000000u | (uint32_t(red(colour)) << 16) | (uint32_t(green(colour)) << 8) | blue(colour);
}

struct CairoPatternDeleter {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoPatternDeleter>;

}  // namespace

std::optional<cairo_matrix_t> canvasToCanvasMatrix(const RotationLayout& layout, int degrees) {
    CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    CairoContext cr(cairo_create(scratch.get()));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    cairo_translate(cr.get(), layout.centreX, layout.centreY);
    cairo_rotate(cr.get(), std::fmod(double(degrees), 360.0) * std::numbers::pi / 180.0);
    cairo_translate(cr.get(), -layout.centreX, -layout.centreY);
    cairo_matrix_t m;
    m.x0 = 0;
    m.y0 = 0;
    cairo_device_to_user(cr.get(), &m.x0, &m.y0);
    m.xx = 1;
    m.yx = 0;
    cairo_device_to_user_distance(cr.get(), &m.xx, &m.yx);
    m.xy = 0;
    m.yy = 1;
    cairo_device_to_user_distance(cr.get(), &m.xy, &m.yy);
    return m;
}

RotationTileRenderer::RotationTileRenderer(const ImageObject& source, const RotationLayout& layout,
                                           const cairo_matrix_t& turn, uint32_t background, PixelTone tone)
    : source_(source), layout_(layout), background_(surfacePixel(background)), tone_(tone), turn_(turn) {
    // The second canvas is painted in one go, and cairo corrects the sampling of such a
    // paint at the centre of the area painted: the whole canvas, as the turned first
    // canvas covers it.
    canvasSampling_ = pixmanSampling(turn_, layout.canvasWidth / 2.0, layout.canvasHeight / 2.0);
    convolution_ = bestFilterFor(turn_);
}

// The source pixels (with margin) the result's tile can sample, in source coordinates.
RotationTileRenderer::Box RotationTileRenderer::sourceBoxFor(int x, int y, int width, int height) const {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (const auto& [cx, cy] : {std::pair{0, 0}, std::pair{width, 0}, std::pair{0, height}, std::pair{width, height}}) {
        double px = layout_.grabX + x + cx, py = layout_.grabY + y + cy;
        cairo_matrix_transform_point(&turn_, &px, &py);
        minX = std::min(minX, px - layout_.placeX);
        maxX = std::max(maxX, px - layout_.placeX);
        minY = std::min(minY, py - layout_.placeY);
        maxY = std::max(maxY, py - layout_.placeY);
    }
    Box box;
    box.left = std::max(int(std::floor(minX)) - kSourceMargin, -kSourceMargin);
    box.top = std::max(int(std::floor(minY)) - kSourceMargin, -kSourceMargin);
    box.right = std::min(int(std::ceil(maxX)) + kSourceMargin + 1, source_.width + kSourceMargin);
    box.bottom = std::min(int(std::ceil(maxY)) + kSourceMargin + 1, source_.height + kSourceMargin);
    return box;
}

// The box's pixels as cairo reads them: the source's pixels laid over the background by
// their alpha (the result is opaque, and a user who picks a background colour expects it
// to show through where the picture is clear), background outside the source.
void RotationTileRenderer::copySource(const Box& box) {
    sourceTile_.resize(size_t(box.width()) * size_t(box.height()));
    const int step = source_.bytesPerPixel();
    const int inLeft = std::max(box.left, 0), inRight = std::min(box.right, int(source_.width));
    uint32_t* out = sourceTile_.data();
    for (int sy = box.top; sy < box.bottom; ++sy, out += box.width()) {
        if (sy < 0 || sy >= source_.height || inLeft >= inRight) {
            std::fill(out, out + box.width(), background_);
            continue;
        }
        std::fill(out, out + (inLeft - box.left), background_);
        const uint8_t* p = source_.row(sy) + size_t(inLeft) * step;
        uint32_t* o = out + (inLeft - box.left);
        if (tone_ == PixelTone::Grey) {
            const uint8_t bg[3] = {uint8_t(background_), uint8_t(background_ >> 8), uint8_t(background_ >> 16)};
            for (int sx = inLeft; sx < inRight; ++sx, p += step) {
                const uint32_t grey = greyOf(p, greyTables_);
                if (step == 4)
                    *o++ = 0xFF000000u | (uint32_t(overBackground(uint8_t(grey), p[3], bg[2])) << 16) |
                           (uint32_t(overBackground(uint8_t(grey), p[3], bg[1])) << 8) |
                           overBackground(uint8_t(grey), p[3], bg[0]);
                else
                    *o++ = 0xFF000000u | grey * 0x010101u;
            }
        } else if (step == 4) {
            const uint8_t bg[3] = {uint8_t(background_), uint8_t(background_ >> 8), uint8_t(background_ >> 16)};
            for (int sx = inLeft; sx < inRight; ++sx, p += step)
                *o++ = 0xFF000000u | (uint32_t(overBackground(p[2], p[3], bg[2])) << 16) |
                       (uint32_t(overBackground(p[1], p[3], bg[1])) << 8) | overBackground(p[0], p[3], bg[0]);
        } else {
            for (int sx = inLeft; sx < inRight; ++sx, p += step)
                *o++ = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
        std::fill(o, out + box.width(), background_);
    }
}

// From the tile's pixels to the copied box's: the turn shifted by whole pixels on both
// sides, with its translation nudged (by multiples of 1/65536) until pixman samples every
// pixel of the tile at the very position at which it samples the same pixel of the
// second canvas.
cairo_matrix_t RotationTileRenderer::tileMatrix(int x, int y, int width, int height, const Box& box) const {
    const int64_t canvasX = layout_.grabX + x, canvasY = layout_.grabY + y;
    const int64_t boxX = layout_.placeX + box.left, boxY = layout_.placeY + box.top;
    cairo_matrix_t m = turn_;
    m.x0 = turn_.xx * canvasX + turn_.xy * canvasY + turn_.x0 - boxX;
    m.y0 = turn_.yx * canvasX + turn_.yy * canvasY + turn_.y0 - boxY;
    if (!canvasSampling_) return m;
    const int32_t (&f)[2][3] = canvasSampling_->matrix;
    for (int attempt = 0; attempt < 4; ++attempt) {
        // A tile is painted whole, so cairo corrects its sampling at the tile's centre.
        const std::optional<PixmanSampling> tile = pixmanSampling(m, width / 2.0, height / 2.0);
        if (!tile) break;
        const int64_t shiftX = canvasX + canvasSampling_->offsetX - tile->offsetX;
        const int64_t shiftY = canvasY + canvasSampling_->offsetY - tile->offsetY;
        const int64_t wantX = f[0][2] + f[0][0] * shiftX + f[0][1] * shiftY - boxX * 65536;
        const int64_t wantY = f[1][2] + f[1][0] * shiftX + f[1][1] * shiftY - boxY * 65536;
        const int64_t missX = wantX - tile->matrix[0][2], missY = wantY - tile->matrix[1][2];
        if (missX == 0 && missY == 0) break;
        m.x0 += double(missX) / 65536.0;
        m.y0 += double(missY) / 65536.0;
    }
    return m;
}

bool RotationTileRenderer::paint(const Box& box, const cairo_matrix_t& matrix, int width, int height,
                                 uint32_t* target, int pitch) {
    CairoSurface sourceSurface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(sourceTile_.data()),
                                                                   CAIRO_FORMAT_RGB24, box.width(), box.height(),
                                                                   box.width() * 4));
    CairoSurface targetSurface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(target),
                                                                   CAIRO_FORMAT_RGB24, width, height, pitch * 4));
    if (cairo_surface_status(sourceSurface.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(targetSurface.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    CairoPattern pattern(cairo_pattern_create_for_surface(sourceSurface.get()));
    cairo_pattern_set_matrix(pattern.get(), &matrix);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_BEST);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    CairoContext context(cairo_create(targetSurface.get()));
    cairo_set_source(context.get(), pattern.get());
    cairo_paint(context.get());
    const bool painted = cairo_status(context.get()) == CAIRO_STATUS_SUCCESS;
    context.reset();
    cairo_surface_flush(targetSurface.get());
    return painted;
}

bool RotationTileRenderer::sample(const Box& box, const cairo_matrix_t& matrix, int width, int height,
                                  uint32_t* target, int pitch) {
    if (!convolution_ || pixmanUnityScale(matrix)) return false;
    const std::optional<PixmanSampling> sampling = pixmanSampling(matrix, width / 2.0, height / 2.0);
    if (!sampling) return false;
    sampleConvolved(sourceTile_.data(), box.width(), box.height(), *sampling, *convolution_, width, height, target,
                    pitch);
    if (samplerConfirmed_) return true;
    // The sampler reproduces the cairo and pixman this was written against. The first
    // tile is painted by both; should another build of them differ, cairo paints.
    std::vector<uint32_t> painted(size_t(width) * size_t(height), background_);
    if (!paint(box, matrix, width, height, painted.data(), width)) return false;
    for (int row = 0; row < height; ++row) {
        const uint32_t* mine = target + size_t(row) * size_t(pitch);
        const uint32_t* theirs = painted.data() + size_t(row) * size_t(width);
        for (int col = 0; col < width; ++col)
            if ((mine[col] ^ theirs[col]) & 0x00FFFFFFu) {
                convolution_.reset();
                return false;
            }
    }
    samplerConfirmed_ = true;
    return true;
}

std::pair<int, int> StraightTile::rowStart(int row) const {
    int32_t v[2] = {(sampling.offsetX << 16) + 0x8000, ((row + sampling.offsetY) << 16) + 0x8000};
    pixmanTransformPoint(sampling.matrix, v);
    // The pixel under the centre, as pixman picks it.
    return {((v[0] - 1) >> 16) + left, ((v[1] - 1) >> 16) + top};
}

std::optional<StraightTile> RotationTileRenderer::straightCopy(const Box& box, const cairo_matrix_t& matrix, int width,
                                                               int height) const {
    if (!pixmanPixelExact(matrix)) return std::nullopt;
    const std::optional<PixmanSampling> sampling = pixmanSampling(matrix, width / 2.0, height / 2.0);
    if (!sampling) return std::nullopt;
    // A whole pixel of the source per pixel of the tile, across or down.
    const int32_t ux = sampling->matrix[0][0], uy = sampling->matrix[1][0];
    const auto unit = [](int32_t step) { return step == 0 || step == 0x10000 || step == -0x10000; };
    if (!unit(ux) || !unit(uy)) return std::nullopt;
    return StraightTile{*sampling, ux / 0x10000, uy / 0x10000, box.left, box.top};
}

TileSource RotationTileRenderer::tileSource(int x, int y, int width, int height) const {
    TileSource found;
    const Box box = sourceBoxFor(x, y, width, height);
    if (box.empty()) {
        found.sees = false;
        return found;
    }
    found.straight = straightCopy(box, tileMatrix(x, y, width, height, box), width, height);
    return found;
}

bool RotationTileRenderer::copyTurned(const Box& box, const cairo_matrix_t& matrix, int x, int y, int width,
                                      int height, ImageObject& result) {
    if (!copyAllowed_) return false;
    const std::optional<StraightTile> straight = straightCopy(box, matrix, width, height);
    if (!straight) return false;
    const int dx = straight->dx, dy = straight->dy;
    const int step = source_.bytesPerPixel();
    // Rows are stored bottom-up: a step down the picture is a step back in memory.
    const ptrdiff_t stride = ptrdiff_t(dx) * step - ptrdiff_t(dy) * ptrdiff_t(source_.pitch());
    const uint8_t bg[3] = {uint8_t(background_), uint8_t(background_ >> 8), uint8_t(background_ >> 16)};
    // The first k >= 0 and the end of the k for which start + k * d lies in [0, size).
    const auto within = [](int start, int d, int size, int& first, int& end) {
        if (d == 0) {
            if (start < 0 || start >= size) first = end = 0;
            return;
        }
        const int a = d > 0 ? -start : start - (size - 1);  // k >= a
        const int b = d > 0 ? size - start : start + 1;     // k < b
        first = std::max(first, a);
        end = std::min(end, b);
    };
    runs_.resize(size_t(height));
    for (int row = 0; row < height; ++row) {
        // Its footprint being one pixel, the tile never reaches beyond the box; beyond
        // the source lies background.
        const auto [sx, sy] = straight->rowStart(row);
        int first = 0, end = width;
        within(sx, dx, source_.width, first, end);
        within(sy, dy, source_.height, first, end);
        first = std::min(first, width);
        end = std::max(end, first);
        uint8_t* out = result.row(y + row) + size_t(x) * 3;
        for (int k = 0; k < first; ++k) std::memcpy(out + size_t(k) * 3, bg, 3);
        for (int k = end; k < width; ++k) std::memcpy(out + size_t(k) * 3, bg, 3);
        TurnedRun& run = runs_[size_t(row)];
        run = TurnedRun{out, nullptr, first, end};
        if (first < end) run.in = source_.row(sy + first * dy) + ptrdiff_t(sx + first * dx) * step;
    }
    if (step == 4) blendTurnedRuns(runs_.data(), height, stride, bg, tone_);
    else copyTurnedRuns(runs_.data(), height, stride, tone_);
    if (copyConfirmed_) return true;
    // The first such tile is painted by cairo too, as the sampler's is.
    if (!renderThroughTile(box, matrix, x, y, width, height, result)) return false;
    copyConfirmed_ = copyAllowed_;
    return true;
}

bool RotationTileRenderer::renderThroughTile(const Box& box, const cairo_matrix_t& matrix, int x, int y, int width,
                                             int height, ImageObject& result) {
    tile_.assign(size_t(width) * size_t(height), background_);
    copySource(box);
    if (!sample(box, matrix, width, height, tile_.data(), width)) {
        std::fill(tile_.begin(), tile_.end(), background_);
        if (!paint(box, matrix, width, height, tile_.data(), width)) return false;
    }
    for (int row = 0; row < height; ++row) {
        const uint32_t* in = tile_.data() + size_t(row) * size_t(width);
        uint8_t* out = result.row(y + row) + size_t(x) * 3;
        for (int col = 0; col < width; ++col, out += 3) {
            const uint32_t v = in[col];
            const uint8_t painted[3] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
            // Checking a tile copied straight across: any difference from cairo ends it.
            if (!copyConfirmed_ && copyAllowed_ && pixmanPixelExact(matrix) && std::memcmp(out, painted, 3) != 0)
                copyAllowed_ = false;
            std::memcpy(out, painted, 3);
        }
    }
    return true;
}

bool RotationTileRenderer::render(int x, int y, int width, int height, ImageObject& result) {
    const Box box = sourceBoxFor(x, y, width, height);
    if (box.empty()) {
        const uint8_t bg[3] = {uint8_t(background_), uint8_t(background_ >> 8), uint8_t(background_ >> 16)};
        for (int row = 0; row < height; ++row) {
            uint8_t* out = result.row(y + row) + size_t(x) * 3;
            for (int col = 0; col < width; ++col, out += 3) std::memcpy(out, bg, 3);
        }
        return true;
    }
    try {
        const cairo_matrix_t matrix = tileMatrix(x, y, width, height, box);
        if (copyTurned(box, matrix, x, y, width, height, result)) return true;
        return renderThroughTile(box, matrix, x, y, width, height, result);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tesselon

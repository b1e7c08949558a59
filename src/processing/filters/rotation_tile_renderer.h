// Rendering a turned image tile by tile.
//
// The picture is that of drawing the source on a background canvas, drawing that canvas
// turned onto a second one with cairo and cutting the result out of the middle (see
// rotation_layout.h). The canvases are far larger than the result (for a 12-megapixel
// photo at 45 degrees some 50 megapixels each, plus cairo's copies of them), so only the
// result is rendered, in tiles. For each tile cairo paints the part of the source the
// tile can see, surrounded by background, with the same filter as the drawing on the
// second canvas and a transformation that makes pixman sample every pixel at exactly the
// position at which it samples that pixel of the second canvas. The source's edges thus
// blend with background just as they do on the first canvas, and beyond the copied part
// everything is background (its border is, and it is padded outwards), so the first
// canvas's own edge, which cairo would fade out over the second canvas, never shows.
//
// Where cairo would convolve (any turn but the quarter turns), the convolution sampler
// does cairo's work in a fraction of its time; where it would take each pixel as it is (a
// quarter turn by whole pixels), the pixels are copied straight from the source into the
// result. The renderer's first tile of either kind is painted by cairo too, and cairo
// goes on painting should the bytes ever differ.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "processing/filters/convolution_sampler.h"
#include "processing/filters/grey_pixels.h"
#include "processing/filters/pixel_tone.h"
#include "processing/filters/pixman_sampling.h"
#include "processing/filters/rotation_layout.h"
#include "processing/filters/turned_copy.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The matrix from the second canvas to the first (device to pattern) exactly as the
// vector drawing's cairo context holds it after turning about the canvas centre: cairo
// updates the inverse of its transformation step by step, and that rounding is part of
// where it samples. Nothing when cairo fails.
std::optional<cairo_matrix_t> canvasToCanvasMatrix(const RotationLayout& layout, int degrees);

// The result's tiles are rendered this size, the last ones of a row or column smaller:
// small enough that a tile and the part of the source it sees stay in the caches, large
// enough that the per-tile work of cairo stays negligible.
constexpr int kRotationTileSize = 256;

// How a tile of a quarter turn by whole pixels is copied straight from the source: the
// tile's pixel (k, row) is the source's pixel rowStart(row) + k * (dx, dy), which may lie
// outside the source (where the result shows background).
struct StraightTile {
    PixmanSampling sampling;
    int dx = 0;
    int dy = 0;
    int left = 0;  // the corner of the source box the sampling is relative to
    int top = 0;
    std::pair<int, int> rowStart(int row) const;
};

// What a tile of the result takes from the source.
struct TileSource {
    bool sees = true;                     // false: the tile is background only
    std::optional<StraightTile> straight;  // set where it is copied straight across
};

class RotationTileRenderer {
public:
    // source and layout must outlive the renderer. The source's pixels are toned as
    // they are read, before anything else is done with them.
    RotationTileRenderer(const ImageObject& source, const RotationLayout& layout, const cairo_matrix_t& turn,
                         uint32_t background, PixelTone tone = PixelTone::AsIs);

    // Renders the result's tile whose top-left corner is (x, y) into the result (24-bit,
    // of the layout's result size). False when cairo fails or memory runs out.
    bool render(int x, int y, int width, int height, ImageObject& result);

    // Whether the sampler and the straight copy still stand in for cairo where they can:
    // every check of them against cairo so far found the same bytes.
    bool ownPathsHold() const { return copyAllowed_ && convolution_.has_value(); }

    // Where the result's tile whose top-left corner is (x, y) takes its pixels from,
    // without reading any of them.
    TileSource tileSource(int x, int y, int width, int height) const;

private:
    struct Box {
        int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
        bool empty() const { return right <= left || bottom <= top; }
        int width() const { return right - left; }
        int height() const { return bottom - top; }
    };

    Box sourceBoxFor(int x, int y, int width, int height) const;
    void copySource(const Box& box);
    cairo_matrix_t tileMatrix(int x, int y, int width, int height, const Box& box) const;
    // The copied box turned onto the tile by cairo itself.
    bool paint(const Box& box, const cairo_matrix_t& matrix, int width, int height, uint32_t* target, int pitch);
    // The same by the convolution sampler, where cairo would convolve; false where it
    // does not stand in for cairo.
    bool sample(const Box& box, const cairo_matrix_t& matrix, int width, int height, uint32_t* target, int pitch);
    std::optional<StraightTile> straightCopy(const Box& box, const cairo_matrix_t& matrix, int width,
                                             int height) const;
    // A quarter turn by whole pixels straight from the source into the result, where
    // cairo would take each pixel as it is; false where it does not stand in for cairo.
    bool copyTurned(const Box& box, const cairo_matrix_t& matrix, int x, int y, int width, int height,
                    ImageObject& result);
    // The tile as cairo or the sampler paints it, then into the result.
    bool renderThroughTile(const Box& box, const cairo_matrix_t& matrix, int x, int y, int width, int height,
                           ImageObject& result);

    const ImageObject& source_;
    const RotationLayout& layout_;
    uint32_t background_;             // as a cairo pixel
    PixelTone tone_;
    GreyTables greyTables_;
    cairo_matrix_t turn_;
    std::optional<PixmanSampling> canvasSampling_;  // how pixman samples the first canvas
    std::optional<ConvolutionFilter> convolution_;  // cairo's best filter for the turn
    bool samplerConfirmed_ = false;                 // a tile came out as cairo paints it
    bool copyAllowed_ = true;                       // copyTurned gave what cairo gives, or was not tried
    bool copyConfirmed_ = false;
    std::vector<uint32_t> sourceTile_;
    std::vector<uint32_t> tile_;                    // a tile as cairo paints it
    std::vector<TurnedRun> runs_;                   // the rows of a tile copied straight across
};

}  // namespace tesselon

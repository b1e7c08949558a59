// A quarter turn made as the source's rows arrive, a band of them at a time, so that the
// upright picture never has to exist whole: each band is copied into the turned image
// while it is still in the cache, and its buffer serves the next band.
//
// The turned image is the very one rotateImage makes of the whole source (its frame of
// background, where each pixel lands, the tone), for every layout in which rotateImage
// copies the pixels straight across; for the others the turn cannot start.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "processing/filters/pixel_tone.h"
#include "processing/filters/turned_copy.h"
#include "runtime/imaging/buffer_pool.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// Where each pixel of a turned result comes from: result pixel (x, y) is source pixel
// (originX + y * stepX, originY + x * stepY), background where that lies outside the
// source. A result row is thus a source column.
struct QuarterTurnMap {
    int originX = 0;
    int originY = 0;
    int stepX = 0;  // +1 or -1
    int stepY = 0;  // +1 or -1
};

// The map of rotateImage's result for a 24-bit source of width x height turned by
// degrees, when it copies every pixel straight across; nothing otherwise (any turn but a
// quarter one, a layout whose pixels would be resampled).
std::optional<QuarterTurnMap> quarterTurnMap(int width, int height, int degrees);

class BandedTurn {
public:
    // The turned image of a width x height source allocated (from the pool when given)
    // and its background laid; nothing when the turn is not a straight copy or memory
    // runs out.
    static std::optional<BandedTurn> start(int width, int height, int degrees, uint32_t background,
                                           PixelTone tone = PixelTone::AsIs, BufferPool* pool = nullptr);

    // Source rows firstRow to firstRow + count - 1, held in rows 0 to count - 1 of the
    // 24-bit band (of the source's width), toned into their place.
    void take(const ImageObject& band, int firstRow, int count);

    // The turned image, whole once every source row was taken.
    ImageObject& result() { return result_; }

private:
    static bool agreesWithWholeTurn(int width, int height, int degrees, uint32_t background);
    static std::optional<BandedTurn> startUnchecked(int width, int height, int degrees, uint32_t background,
                                                    PixelTone tone = PixelTone::AsIs, BufferPool* pool = nullptr);
    BandedTurn(int width, int height, QuarterTurnMap map, PixelTone tone, ImageObject result);
    void layBackground(const uint8_t colour[3]);

    int width_ = 0;
    int height_ = 0;
    QuarterTurnMap map_;
    PixelTone tone_ = PixelTone::AsIs;
    ImageObject result_;
    std::vector<TurnedRun> runs_;
};

}  // namespace tesselon

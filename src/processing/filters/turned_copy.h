// Copying the pixels of a quarter turn, or of a half turn, from the source into the
// result.
//
// In a quarter turn a row of the result is a column of the source. Copied row after row,
// each pixel comes from another source row, a whole row of bytes away from the last, and
// by the time the next result row wants the neighbouring bytes of those source rows they
// have left the nearest cache. So a strip of a few result rows is copied column by column
// instead: for each column the strip reads neighbouring pixels of one source row and
// writes one pixel into each of its few rows, all of which stay in the cache while the
// strip is copied.
#pragma once

#include <cstddef>
#include <cstdint>

#include "processing/filters/pixel_tone.h"

namespace tesselon {

// The part of one result row that comes from the source: its pixels `first` to `end`
// (exclusive), of three bytes each from `out` on, are copied from `in` on, the next one
// always `stride` bytes further in the source. `in` is the source pixel of `first`;
// three bytes of each are copied (or four read, with alpha, by blendTurnedRuns).
struct TurnedRun {
    uint8_t* out = nullptr;
    const uint8_t* in = nullptr;
    int first = 0;
    int end = 0;
};

// Copies the runs of consecutive result rows whose source pixels lie `stride` apart, each
// pixel toned on the way.
void copyTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, PixelTone tone = PixelTone::AsIs);

// The same from four-byte pixels with alpha, each toned, then laid over the background
// (blue, green, red) by its alpha.
void blendTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, const uint8_t background[3],
                     PixelTone tone = PixelTone::AsIs);

}  // namespace tesselon

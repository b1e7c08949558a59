#include "processing/filters/turned_copy.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "processing/filters/over_background.h"

namespace tesselon {

namespace {

// Result rows copied together: their lines, and the source lines of one column, fit the
// first-level cache many times over.
constexpr int kStripRows = 8;

inline void copyPixel(uint8_t* out, const uint8_t* in) { std::memcpy(out, in, 3); }

// Eight neighbouring three-byte pixels of one source row into the strip's eight rows: 24
// bytes read in three words, each pixel written four bytes wide, its last byte to be
// written over by the next pixel of the same row. `ascending` says whether row r's pixel
// lies 3 * r bytes after the first row's or 3 * r bytes before.
void copyStripColumns(uint8_t* const* outs, const uint8_t* const* ins, int columns, ptrdiff_t stride,
                      bool ascending) {
    uint8_t* out[kStripRows];
    for (int r = 0; r < kStripRows; ++r) out[r] = outs[ascending ? r : kStripRows - 1 - r];
    const uint8_t* in = ascending ? ins[0] : ins[kStripRows - 1];
    for (int k = 0; k < columns; ++k, in += stride) {
        uint64_t w0, w1, w2;
        std::memcpy(&w0, in, 8);
        std::memcpy(&w1, in + 8, 8);
        std::memcpy(&w2, in + 16, 8);
        const uint32_t pixels[kStripRows] = {uint32_t(w0),
                                             uint32_t(w0 >> 24),
                                             uint32_t((w0 >> 48) | (w1 << 16)),
                                             uint32_t(w1 >> 8),
                                             uint32_t(w1 >> 32),
                                             uint32_t((w1 >> 56) | (w2 << 8)),
                                             uint32_t(w2 >> 16),
                                             uint32_t(w2 >> 40)};
        for (int r = 0; r < kStripRows; ++r) {
            std::memcpy(out[r], &pixels[r], 4);
            out[r] += 3;
        }
    }
}

template <typename Pixel>
void copyRun(const TurnedRun& run, int from, int to, ptrdiff_t stride, const Pixel& pixel) {
    const uint8_t* in = run.in + ptrdiff_t(from - run.first) * stride;
    for (int k = from; k < to; ++k, in += stride) pixel(run.out + size_t(k) * 3, in);
}

// The runs in strips of rows, each pixel passed to pixel(out, in). `wordCopies` lets
// strips of three-byte source pixels lying side by side go through copyStripColumns,
// which only copies.
template <typename Pixel>
void walkTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, const Pixel& pixel, bool wordCopies) {
    const bool alongRows = stride >= -4 && stride <= 4;
    for (int top = 0, bottom = 0; top < count; top = bottom) {
        bottom = alongRows ? top + 1 : std::min(count, top + kStripRows);
        // The columns every row of the strip takes from the source; at the source's
        // edges the rows may start or end apart.
        int from = INT_MIN, to = INT_MAX;
        for (int r = top; r < bottom; ++r) {
            from = std::max(from, runs[r].first);
            to = std::min(to, runs[r].end);
        }
        if (from >= to) {
            for (int r = top; r < bottom; ++r) copyRun(runs[r], runs[r].first, runs[r].end, stride, pixel);
            continue;
        }
        for (int r = top; r < bottom; ++r) copyRun(runs[r], runs[r].first, from, stride, pixel);
        if (bottom - top == kStripRows) {
            const uint8_t* in[kStripRows];
            uint8_t* out[kStripRows];
            for (int r = 0; r < kStripRows; ++r) {
                const TurnedRun& run = runs[top + r];
                in[r] = run.in + ptrdiff_t(from - run.first) * stride;
                out[r] = run.out + size_t(from) * 3;
            }
            // The four-byte writes stop one pixel short of the end, whose next byte
            // belongs to another pixel already written.
            const bool packed = in[1] - in[0] == 3 || in[1] - in[0] == -3;
            if (wordCopies && packed && to - from > 1) {
                bool adjacent = true;
                for (int r = 1; r < kStripRows; ++r) adjacent = adjacent && in[r] - in[r - 1] == in[1] - in[0];
                if (adjacent) {
                    copyStripColumns(out, in, to - 1 - from, stride, in[1] > in[0]);
                    for (int r = 0; r < kStripRows; ++r) {
                        out[r] += size_t(to - 1 - from) * 3;
                        in[r] += ptrdiff_t(to - 1 - from) * stride;
                    }
                    from = to - 1;
                }
            }
            for (int k = from; k < to; ++k) {
                for (int r = 0; r < kStripRows; ++r) {
                    pixel(out[r], in[r]);
                    out[r] += 3;
                    in[r] += stride;
                }
            }
        } else {
            for (int r = top; r < bottom; ++r) copyRun(runs[r], from, to, stride, pixel);
        }
        for (int r = top; r < bottom; ++r) copyRun(runs[r], to, runs[r].end, stride, pixel);
    }
}

}  // namespace

void copyTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride) {
    walkTurnedRuns(runs, count, stride, [](uint8_t* out, const uint8_t* in) { copyPixel(out, in); }, true);
}

void blendTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, const uint8_t background[3]) {
    const uint8_t b0 = background[0], b1 = background[1], b2 = background[2];
    walkTurnedRuns(
        runs, count, stride,
        [b0, b1, b2](uint8_t* out, const uint8_t* in) {
            out[0] = overBackground(in[0], in[3], b0);
            out[1] = overBackground(in[1], in[3], b1);
            out[2] = overBackground(in[2], in[3], b2);
        },
        false);
}

}  // namespace tesselon

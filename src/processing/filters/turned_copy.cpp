#include "processing/filters/turned_copy.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace tesselon {

namespace {

// Result rows copied together: their lines, and the source lines of one column, fit the
// first-level cache many times over.
constexpr int kStripRows = 8;

inline void copyPixel(uint8_t* out, const uint8_t* in) { std::memcpy(out, in, 3); }

void copyRun(const TurnedRun& run, int from, int to, ptrdiff_t stride) {
    const uint8_t* in = run.in + ptrdiff_t(from - run.first) * stride;
    for (int k = from; k < to; ++k, in += stride) copyPixel(run.out + size_t(k) * 3, in);
}

}  // namespace

void copyTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride) {
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
            for (int r = top; r < bottom; ++r) copyRun(runs[r], runs[r].first, runs[r].end, stride);
            continue;
        }
        for (int r = top; r < bottom; ++r) copyRun(runs[r], runs[r].first, from, stride);
        if (bottom - top == kStripRows) {
            const uint8_t* in[kStripRows];
            uint8_t* out[kStripRows];
            for (int r = 0; r < kStripRows; ++r) {
                const TurnedRun& run = runs[top + r];
                in[r] = run.in + ptrdiff_t(from - run.first) * stride;
                out[r] = run.out + size_t(from) * 3;
            }
            for (int k = from; k < to; ++k) {
                for (int r = 0; r < kStripRows; ++r) {
                    copyPixel(out[r], in[r]);
                    out[r] += 3;
                    in[r] += stride;
                }
            }
        } else {
            for (int r = top; r < bottom; ++r) copyRun(runs[r], from, to, stride);
        }
        for (int r = top; r < bottom; ++r) copyRun(runs[r], to, runs[r].end, stride);
    }
}

}  // namespace tesselon

#include "processing/filters/turned_copy.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "processing/filters/grey_pixels.h"
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

#if defined(__x86_64__)
// As copyStripColumns, each of the eight pixels written as its grey, eight greys at a
// time with AVX2 and the few whose sum ends in one half through greyOf.
__attribute__((target("avx2"))) void greyStripColumnsAvx2(uint8_t* const* outs, const uint8_t* const* ins,
                                                         int columns, ptrdiff_t stride, bool ascending,
                                                         const GreyTables& t) {
    uint8_t* out[kStripRows];
    for (int r = 0; r < kStripRows; ++r) out[r] = outs[ascending ? r : kStripRows - 1 - r];
    const uint8_t* in = ascending ? ins[0] : ins[kStripRows - 1];
    // Blue of pixels 0 to 3 from the 16 bytes at the first pixel, of pixels 4 to 7 from
    // the 16 bytes eight further on: the 24 bytes of the eight pixels and no more.
    const __m256i blues = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1,  //
                                           4, -1, -1, -1, 7, -1, -1, -1, 10, -1, -1, -1, 13, -1, -1, -1);
    const __m256i greens = _mm256_add_epi8(blues, _mm256_set1_epi32(1));
    const __m256i reds = _mm256_add_epi8(blues, _mm256_set1_epi32(2));
    // Each lane's grey in all four of its bytes: the pixel as it is written.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,  //
                                            0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
    for (int k = 0; k < columns; ++k, in += stride) {
        const __m256i bytes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8)), 1);
        int halves = 0;
        const __m256i whole = greyLanesAvx2(_mm256_shuffle_epi8(bytes, blues), _mm256_shuffle_epi8(bytes, greens),
                                            _mm256_shuffle_epi8(bytes, reds), halves);
        uint32_t pixels[kStripRows];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels), _mm256_shuffle_epi8(whole, spread));
        if (halves != 0) {
            for (int r = 0; r < kStripRows; ++r)
                if (halves & (1 << r)) pixels[r] = uint32_t(greyOf(in + r * 3, t)) * 0x01010101u;
        }
        for (int r = 0; r < kStripRows; ++r) {
            std::memcpy(out[r], &pixels[r], 4);
            out[r] += 3;
        }
    }
}
#endif

template <typename Pixel>
void copyRun(const TurnedRun& run, int from, int to, ptrdiff_t stride, const Pixel& pixel) {
    const uint8_t* in = run.in + ptrdiff_t(from - run.first) * stride;
    for (int k = from; k < to; ++k, in += stride) pixel(run.out + size_t(k) * 3, in);
}

// The runs in strips of rows, each pixel passed to pixel(out, in). Strips of three-byte
// source pixels lying side by side may go to columns(outs, ins, count, stride, ascending)
// as copyStripColumns takes them, which does what pixel does to each; where it is null
// they do not.
template <typename Pixel, typename Columns>
void walkTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, const Pixel& pixel, Columns* columns) {
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
            if (columns && packed && to - from > 1) {
                bool adjacent = true;
                for (int r = 1; r < kStripRows; ++r) adjacent = adjacent && in[r] - in[r - 1] == in[1] - in[0];
                if (adjacent) {
                    (*columns)(out, in, to - 1 - from, stride, in[1] > in[0]);
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

void copyTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, PixelTone tone) {
    using Columns = void(uint8_t* const*, const uint8_t* const*, int, ptrdiff_t, bool);
    if (tone == PixelTone::AsIs) {
        walkTurnedRuns(runs, count, stride, [](uint8_t* out, const uint8_t* in) { copyPixel(out, in); },
                       &copyStripColumns);
        return;
    }
    const GreyTables tables;
    const auto greyPixel = [&tables](uint8_t* out, const uint8_t* in) { out[0] = out[1] = out[2] = greyOf(in, tables); };
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) {
        const auto columns = [&tables](uint8_t* const* outs, const uint8_t* const* ins, int n, ptrdiff_t step,
                                       bool ascending) { greyStripColumnsAvx2(outs, ins, n, step, ascending, tables); };
        walkTurnedRuns(runs, count, stride, greyPixel, &columns);
        return;
    }
#endif
    walkTurnedRuns(runs, count, stride, greyPixel, static_cast<Columns*>(nullptr));
}

void blendTurnedRuns(const TurnedRun* runs, int count, ptrdiff_t stride, const uint8_t background[3], PixelTone tone) {
    using Columns = void(uint8_t* const*, const uint8_t* const*, int, ptrdiff_t, bool);
    const uint8_t b0 = background[0], b1 = background[1], b2 = background[2];
    if (tone == PixelTone::AsIs) {
        walkTurnedRuns(
            runs, count, stride,
            [b0, b1, b2](uint8_t* out, const uint8_t* in) {
                out[0] = overBackground(in[0], in[3], b0);
                out[1] = overBackground(in[1], in[3], b1);
                out[2] = overBackground(in[2], in[3], b2);
            },
            static_cast<Columns*>(nullptr));
        return;
    }
    const GreyTables tables;
    walkTurnedRuns(
        runs, count, stride,
        [b0, b1, b2, &tables](uint8_t* out, const uint8_t* in) {
            const uint8_t grey = greyOf(in, tables);
            out[0] = overBackground(grey, in[3], b0);
            out[1] = overBackground(grey, in[3], b1);
            out[2] = overBackground(grey, in[3], b2);
        },
        static_cast<Columns*>(nullptr));
}

}  // namespace tesselon

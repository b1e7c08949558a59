// The grey of a pixel by the luma weights of television, for every pass that makes it:
// the grey scale in place, and the quarter turn that takes the grey as it copies.
#pragma once

#include <array>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "processing/filters/exact_arithmetic.h"

namespace tesselon {

// The red weight is one unit in the last place above the double nearest to 0.299; the
// results of the rounding depend on it.
inline constexpr double kGreyRedWeight = 0.29900000000000004;
inline constexpr double kGreyGreenWeight = 0.587;
inline constexpr double kGreyBlueWeight = 0.114;

// The products of each weight with every byte. Each product is a double that depends on
// one byte, so the tables, added in the formula's order, give the very same sums as
// multiplying per pixel.
struct GreyTables {
    std::array<double, 256> red, green, blue;
    GreyTables() {
        for (int v = 0; v < 256; ++v) {
            red[v] = v * kGreyRedWeight;
            green[v] = v * kGreyGreenWeight;
            blue[v] = v * kGreyBlueWeight;
        }
    }
};

// The double sum lies within 1e-12 of (299 R + 587 G + 114 B) / 1000, whose fraction is a
// whole number of thousandths. Unless that fraction is exactly one half, the rounding
// therefore gives what the integer rounding gives; at one half the double's own error
// decides, and the double sum is taken. p points at blue, green and red.
inline uint8_t greyOf(const uint8_t* p, const GreyTables& t) {
    const unsigned shifted = 299u * p[2] + 587u * p[1] + 114u * p[0] + 500u;
    const unsigned whole = shifted / 1000u;
    if (shifted != whole * 1000u) return uint8_t(whole);
    return uint8_t(roundHalfAwayFromZero(t.red[p[2]] + t.green[p[1]] + t.blue[p[0]]));
}

#if defined(__x86_64__)
// The integer rounding of eight pixels at once, from their blue, green and red in 32-bit
// lanes: the grey of each lane, and in `halves` a bit for each lane whose sum ends in one
// half, which greyOf must decide.
__attribute__((target("avx2"))) inline __m256i greyLanesAvx2(__m256i b, __m256i g, __m256i r, int& halves) {
    const __m256i shift = _mm256_set1_epi32(500), thousand = _mm256_set1_epi32(1000);
    const __m256 perThousand = _mm256_set1_ps(1.0f / 1000.0f);
    const __m256i shifted = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(r, _mm256_set1_epi32(299)), _mm256_mullo_epi32(g, _mm256_set1_epi32(587))),
        _mm256_add_epi32(_mm256_mullo_epi32(b, _mm256_set1_epi32(114)), shift));
    // The quotient by 1000 through single precision (exact below 2^24), then mended
    // where rounding left it one off.
    __m256i whole = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(shifted), perThousand));
    __m256i rest = _mm256_sub_epi32(shifted, _mm256_mullo_epi32(whole, thousand));
    const __m256i under = _mm256_cmpgt_epi32(_mm256_setzero_si256(), rest);
    whole = _mm256_add_epi32(whole, under);
    rest = _mm256_add_epi32(rest, _mm256_and_si256(under, thousand));
    const __m256i over = _mm256_cmpgt_epi32(rest, _mm256_set1_epi32(999));
    whole = _mm256_sub_epi32(whole, over);
    rest = _mm256_sub_epi32(rest, _mm256_and_si256(over, thousand));
    halves = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(rest, _mm256_setzero_si256())));
    return whole;
}
#endif

}  // namespace tesselon

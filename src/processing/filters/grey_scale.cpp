#include "processing/filters/grey_scale.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "processing/filters/exact_arithmetic.h"
#include "processing/filters/pixel_walk.h"

namespace tesselon {

namespace {

// The red weight is one unit in the last place above the double nearest to 0.299; the
// results of the rounding depend on it.
constexpr double kRedWeight = 0.29900000000000004;
constexpr double kGreenWeight = 0.587;
constexpr double kBlueWeight = 0.114;

// The products of each weight with every byte. Each product is a double that depends on
// one byte, so the tables, added in the formula's order, give the very same sums as
// multiplying per pixel.
struct GreyTables {
    std::array<double, 256> red, green, blue;
    GreyTables() {
        for (int v = 0; v < 256; ++v) {
            red[v] = v * kRedWeight;
            green[v] = v * kGreenWeight;
            blue[v] = v * kBlueWeight;
        }
    }
};

// The double sum lies within 1e-12 of (299 R + 587 G + 114 B) / 1000, whose fraction is a
// whole number of thousandths. Unless that fraction is exactly one half, the rounding
// therefore gives what the integer rounding gives; at one half the double's own error
// decides, and the double sum is taken.
inline uint8_t greyOf(const uint8_t* p, const GreyTables& t) {
    const unsigned shifted = 299u * p[2] + 587u * p[1] + 114u * p[0] + 500u;
    const unsigned whole = shifted / 1000u;
    if (shifted != whole * 1000u) return uint8_t(whole);
    return uint8_t(roundHalfAwayFromZero(t.red[p[2]] + t.green[p[1]] + t.blue[p[0]]));
}

void greyRow(uint8_t* p, int count, int step, const GreyTables& t) {
    for (int x = 0; x < count; ++x, p += step) p[0] = p[1] = p[2] = greyOf(p, t);
}

#if defined(__x86_64__)
// A 24-bit row eight pixels at a time with AVX2; the same integer rounding, and the few
// pixels whose sum ends in one half through greyOf.
__attribute__((target("avx2"))) void greyRow24Avx2(uint8_t* row, int width, const GreyTables& t) {
    // Blue, green and red of four pixels (twelve bytes) into 32-bit lanes.
    const __m256i blues = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1,  //
                                           0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
    const __m256i greens = _mm256_add_epi8(blues, _mm256_set1_epi32(1));  // the next byte of each pixel
    const __m256i reds = _mm256_add_epi8(blues, _mm256_set1_epi32(2));
    // Each lane's grey byte three times over, twelve bytes per half.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1,  //
                                            0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1);
    const __m256i shift = _mm256_set1_epi32(500), thousand = _mm256_set1_epi32(1000);
    const __m256 perThousand = _mm256_set1_ps(1.0f / 1000.0f);
    int x = 0;
    // Each step reads 28 bytes from the first pixel on: it stays within the row.
    for (; x + 10 <= width; x += 8) {
        uint8_t* p = row + size_t(x) * 3;
        const __m256i bytes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
        const __m256i b = _mm256_shuffle_epi8(bytes, blues);
        const __m256i g = _mm256_shuffle_epi8(bytes, greens);
        const __m256i r = _mm256_shuffle_epi8(bytes, reds);
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
        const int halves = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(rest, _mm256_setzero_si256())));
        const __m256i greys = _mm256_shuffle_epi8(whole, spread);
        uint8_t out[32];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), greys);
        if (halves != 0) {
            for (int k = 0; k < 8; ++k)
                if (halves & (1 << k)) out[(k / 4) * 16 + (k % 4) * 3] = out[(k / 4) * 16 + (k % 4) * 3 + 1] =
                                           out[(k / 4) * 16 + (k % 4) * 3 + 2] = greyOf(p + k * 3, t);
        }
        std::memcpy(p, out, 12);
        std::memcpy(p + 12, out + 16, 12);
    }
    greyRow(row + size_t(x) * 3, width - x, 3, t);
}
#endif

}  // namespace

void applyGreyScale(ImageObject& image, int threads) {
    if (!filterableImage(image)) return;
    const GreyTables tables;
#if defined(__x86_64__)
    const bool avx2 = image.depth == 24 && __builtin_cpu_supports("avx2");
#endif
    const size_t pitch = image.pitch();
    // Alpha stays as it is, so that transparent areas remain transparent.
    forEachBand(image.height, threads, minimumBandRows(image.width), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            uint8_t* row = image.pixels.data() + size_t(y) * pitch;
#if defined(__x86_64__)
            if (avx2) {
                greyRow24Avx2(row, image.width, tables);
                continue;
            }
#endif
            greyRow(row, image.width, image.bytesPerPixel(), tables);
        }
    });
}

}  // namespace tesselon

#include "processing/filters/grey_scale.h"

#include <cstdint>
#include <cstring>

#include "processing/filters/grey_pixels.h"
#include "processing/filters/pixel_walk.h"

namespace tesselon {

namespace {

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
        int halves = 0;
        const __m256i whole = greyLanesAvx2(b, g, r, halves);
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

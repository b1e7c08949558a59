#include "ui/block_average.h"

#include <algorithm>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {

// Adds one row's bytes to the column sums. A column of up to 257 rows of 255 fits in
// 16 bits, and 16-bit lanes take eight bytes an instruction.
void addRow(const uint8_t* in, uint16_t* sums, size_t count) {
    size_t e = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; e + 16 <= count; e += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + e));
        __m128i* low = reinterpret_cast<__m128i*>(sums + e);
        __m128i* high = reinterpret_cast<__m128i*>(sums + e + 8);
        _mm_storeu_si128(low, _mm_add_epi16(_mm_loadu_si128(low), _mm_unpacklo_epi8(bytes, zero)));
        _mm_storeu_si128(high, _mm_add_epi16(_mm_loadu_si128(high), _mm_unpackhi_epi8(bytes, zero)));
    }
#endif
    for (; e < count; ++e) sums[e] = uint16_t(sums[e] + in[e]);
}

void addRow(const uint8_t* in, uint32_t* sums, size_t count) {
    for (size_t e = 0; e < count; ++e) sums[e] += in[e];
}

// (sum + count / 2) / count without a division per pixel: a multiply by 2^40 / count,
// rounded up, is exact while the numerator stays below 2^40 / count, which a block's
// sum of at most 255 x count does for any count under 2^16.
class RoundedMean {
public:
    explicit RoundedMean(uint32_t count)
        : count_(count), reciprocal_(count < (1u << 16) ? ((uint64_t(1) << 40) + count - 1) / count : 0) {}
    uint8_t operator()(uint32_t sum) const {
        const uint32_t n = sum + count_ / 2;
        return uint8_t(reciprocal_ ? uint32_t((uint64_t(n) * reciprocal_) >> 40) : n / count_);
    }

private:
    uint32_t count_;
    uint64_t reciprocal_;
};

// The sums of `columns` pixels of column sums, a channel a lane.
template <int Bpp, typename Sum>
void sumPixels(const Sum* column, int columns, uint32_t* sum) {
#if defined(__SSE2__)
    if constexpr (sizeof(Sum) == 2) {
        // Four 16-bit sums at a time, a pixel's channels and the next one's first (a
        // lane never read; the row has one sum to spare at its end for it).
        const __m128i zero = _mm_setzero_si128();
        __m128i lanes = zero;
        for (int x = 0; x < columns; ++x, column += Bpp) {
            const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(column));
            lanes = _mm_add_epi32(lanes, _mm_unpacklo_epi16(four, zero));
        }
        alignas(16) uint32_t all[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(all), lanes);
        for (int c = 0; c < Bpp; ++c) sum[c] = all[c];
        return;
    }
#endif
    for (int c = 0; c < Bpp; ++c) sum[c] = 0;
    for (int x = 0; x < columns; ++x, column += Bpp)
        for (int c = 0; c < Bpp; ++c) sum[c] += column[c];
}

template <int Bpp, typename Sum>
void averageBlockRows(const ImageObject& image, int factor, ImageObject& out) {
    const size_t rowBytes = size_t(image.width) * Bpp;
    std::vector<Sum> columnSums(rowBytes + 1);
    for (int oy = 0; oy < out.height; ++oy) {
        const int top = oy * factor, rows = std::min(factor, int(image.height) - top);
        std::fill(columnSums.begin(), columnSums.end(), Sum(0));
        for (int y = top; y < top + rows; ++y) addRow(image.row(y), columnSums.data(), rowBytes);
        uint8_t* target = out.row(oy);
        const RoundedMean whole(uint32_t(factor * rows));
        for (int ox = 0; ox < out.width; ++ox) {
            const int left = ox * factor, columns = std::min(factor, int(image.width) - left);
            uint32_t sum[Bpp];
            sumPixels<Bpp>(columnSums.data() + size_t(left) * Bpp, columns, sum);
            if (columns == factor) {
                for (int c = 0; c < Bpp; ++c) target[size_t(ox) * Bpp + size_t(c)] = whole(sum[c]);
            } else {
                const RoundedMean edge(uint32_t(columns * rows));
                for (int c = 0; c < Bpp; ++c) target[size_t(ox) * Bpp + size_t(c)] = edge(sum[c]);
            }
        }
    }
}

template <int Bpp>
void averageBlocksOf(const ImageObject& image, int factor, ImageObject& out) {
    if (factor <= 257)
        averageBlockRows<Bpp, uint16_t>(image, factor, out);
    else
        averageBlockRows<Bpp, uint32_t>(image, factor, out);
}

}  // namespace

std::optional<ImageObject> averageBlocks(const ImageObject& image, int factor) {
    if (factor < 1 || !image.valid()) return std::nullopt;
    const int width = (image.width + factor - 1) / factor, height = (image.height + factor - 1) / factor;
    std::optional<ImageObject> out = createImage(width, height, image.depth, 0);
    if (!out) return std::nullopt;
    if (image.bytesPerPixel() == 4)
        averageBlocksOf<4>(image, factor, *out);
    else
        averageBlocksOf<3>(image, factor, *out);
    return out;
}

}  // namespace tesselon

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
void addBlockRow(const std::vector<Sum>& columnSums, int width, int factor, int rows, uint8_t* target, int outWidth) {
    const RoundedMean whole(uint32_t(factor * rows));
    for (int ox = 0; ox < outWidth; ++ox) {
        const int left = ox * factor, columns = std::min(factor, width - left);
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

}  // namespace

std::optional<BlockAverager> BlockAverager::start(int width, int height, int depth, int factor) {
    if (factor < 1 || width < 1 || height < 1 || (depth != 24 && depth != 32)) return std::nullopt;
    std::optional<ImageObject> out =
        createImage((width + factor - 1) / factor, (height + factor - 1) / factor, depth, 0);
    if (!out) return std::nullopt;
    BlockAverager averager;
    averager.width_ = width;
    averager.height_ = height;
    averager.factor_ = factor;
    averager.bpp_ = depth == 32 ? 4 : 3;
    const size_t sums = size_t(width) * size_t(averager.bpp_) + 1;
    try {
        if (factor <= 257)
            averager.narrow_.resize(sums);
        else
            averager.wide_.resize(sums);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    averager.out_ = std::move(*out);
    return averager;
}

void BlockAverager::addRow(const uint8_t* row) {
    if (next_ >= height_) return;
    if (!narrow_.empty())
        add(narrow_, row);
    else
        add(wide_, row);
}

template <typename Sum>
void BlockAverager::add(std::vector<Sum>& sums, const uint8_t* row) {
    tesselon::addRow(row, sums.data(), size_t(width_) * size_t(bpp_));
    ++next_;
    const int top = (next_ - 1) / factor_ * factor_;
    const int rows = next_ - top;
    if (rows < factor_ && next_ < height_) return;
    // A block row is complete: its averages, then the sums start again.
    uint8_t* target = out_.row(top / factor_);
    if (bpp_ == 4)
        addBlockRow<4>(sums, width_, factor_, rows, target, out_.width);
    else
        addBlockRow<3>(sums, width_, factor_, rows, target, out_.width);
    std::fill(sums.begin(), sums.end(), Sum(0));
}

std::optional<ImageObject> averageBlocks(const ImageObject& image, int factor) {
    if (!image.valid()) return std::nullopt;
    std::optional<BlockAverager> averager = BlockAverager::start(image.width, image.height, image.depth, factor);
    if (!averager) return std::nullopt;
    for (int y = 0; y < image.height; ++y) averager->addRow(image.row(y));
    return std::move(averager->result());
}

}  // namespace tesselon

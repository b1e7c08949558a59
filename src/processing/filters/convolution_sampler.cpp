#include "processing/filters/convolution_sampler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tesselon {

namespace {

constexpr int32_t kFixedOne = 65536;
// Pixels are read as bytes: blue, green, red, then the unused byte of cairo's RGB24.
static_assert(std::endian::native == std::endian::little);

// The cubics of Mitchell and Netravali, evaluated as cairo evaluates them (the order of
// operations decides the last bits, and with them the fixed-point weights).
double generalCubic(double x, double r, double b, double c) {
    if (r < 1.0) return generalCubic(x * 2 - .5, r * 2, b, c) + generalCubic(x * 2 + .5, r * 2, b, c);
    const double ax = std::fabs(x / r);
    if (ax < 1) return (((12 - 9 * b - 6 * c) * ax + (-18 + 12 * b + 6 * c)) * ax * ax + (6 - 2 * b)) / 6;
    if (ax < 2) return ((((-b - 6 * c) * ax + (6 * b + 30 * c)) * ax + (-12 * b - 48 * c)) * ax + (8 * b + 24 * c)) / 6;
    return 0.0;
}

double catmullRom(double x, double r) { return generalCubic(x, r, 0.0, 0.5); }

int catmullRomWidth(double r) { return int(std::max(2.0, std::ceil(r * 4))); }

// cairo's limits on the scale for its best filter: false where it switches to a box.
bool bestFilterScale(double& scale) {
    if (!(scale < 0x7FFF)) scale = 0x7FFF;
    if (scale > 16.0) return false;
    if (scale < 1.0) {
        if (scale < 1.0 / 128)
            scale = 1.0 / 127;
        else if (scale < 0.5)
            scale = 1.0 / (1.0 / scale - 1.0);
        else
            scale = 1.0;
    }
    return true;
}

// The taps of every phase along one axis; the rounding error of each phase goes onto
// its middle tap, so that each phase sums to exactly one.
std::vector<int32_t> phaseWeights(double scale, int width, int phaseBits) {
    const int phases = 1 << phaseBits;
    const double step = 1.0 / phases;
    std::vector<int32_t> out(size_t(phases) * size_t(width));
    int32_t* p = out.data();
    for (int i = 0; i < phases; ++i, p += width) {
        const double frac = (i + .5) * step;
        const double x1 = std::ceil(frac - width / 2.0 - 0.5) - frac + 0.5;  // centre of the leftmost tap
        double total = 0;
        for (int j = 0; j < width; ++j) {
            const double v = catmullRom(x1 + j, scale);
            total += v;
            p[j] = int32_t(v * 65536.0);
        }
        total = 1 / total;
        int32_t newTotal = 0;
        for (int j = 0; j < width; ++j) newTotal += (p[j] = int32_t(p[j] * total));
        p[width / 2] += kFixedOne - newTotal;
    }
    return out;
}

int phaseBitsFor(double scale, int width) {
    int bits = 0;
    if (width > 1)
        while (scale * (1 << bits) <= 128.0) ++bits;
    return bits;
}

inline uint8_t clipped(int32_t sum) { return uint8_t(std::clamp((sum + 0x8000) >> 16, 0, 255)); }

// Where one target pixel samples: its phase's weights and its first tap.
struct Footprint {
    const int32_t* xWeights;
    const int32_t* yWeights;
    int x1, y1;
};

struct RowSampler {
    const uint8_t* pixels;  // the source, blue, green, red, unused byte per pixel
    size_t stride;          // bytes
    int sourceWidth, sourceHeight;
    const ConvolutionFilter& filter;
    int xShift, yShift;
    int32_t xOff, yOff;

    RowSampler(const uint32_t* source, int width, int height, const ConvolutionFilter& f)
        : pixels(reinterpret_cast<const uint8_t*>(source)), stride(size_t(width) * 4), sourceWidth(width),
          sourceHeight(height), filter(f), xShift(16 - f.xPhaseBits), yShift(16 - f.yPhaseBits),
          xOff(((f.width << 16) - kFixedOne) >> 1), yOff(((f.height << 16) - kFixedOne) >> 1) {}

    Footprint at(int32_t vx, int32_t vy) const {
        // The position moved to the middle of its phase, whose weights are centred there.
        const int32_t x = ((vx >> xShift) << xShift) + ((1 << xShift) >> 1);
        const int32_t y = ((vy >> yShift) << yShift) + ((1 << yShift) >> 1);
        return {filter.xWeights.data() + size_t((x & 0xFFFF) >> xShift) * size_t(filter.width),
                filter.yWeights.data() + size_t((y & 0xFFFF) >> yShift) * size_t(filter.height),
                (x - 1 - xOff) >> 16, (y - 1 - yOff) >> 16};
    }

    bool inside(const Footprint& p) const {
        return p.x1 >= 0 && p.y1 >= 0 && p.x1 + filter.width <= sourceWidth && p.y1 + filter.height <= sourceHeight;
    }

    // W and H are the tap counts when known in advance (0: the filter's).
    template <int W, int H>
    uint32_t pixel(const Footprint& p) const {
        constexpr int kMaxTaps = 64;
        const int cw = W > 0 ? W : filter.width, ch = H > 0 ? H : filter.height;
        int32_t r = 0, g = 0, b = 0;
        size_t columnAt[W > 0 ? W : kMaxTaps];
        // Taps beyond the source repeat its edge.
        for (int j = 0; j < cw; ++j) columnAt[j] = size_t(std::clamp(p.x1 + j, 0, sourceWidth - 1)) * 4;
        for (int i = 0; i < ch; ++i) {
            const uint8_t* row = pixels + size_t(std::clamp(p.y1 + i, 0, sourceHeight - 1)) * stride;
            const int64_t fy = p.yWeights[i];
            for (int j = 0; j < cw; ++j) {
                // Each tap's weight is rounded on its own, as pixman rounds it.
                const int32_t w = int32_t((p.xWeights[j] * fy + 0x8000) >> 16);
                const uint8_t* q = row + columnAt[j];
                b += int32_t(q[0]) * w;
                g += int32_t(q[1]) * w;
                r += int32_t(q[2]) * w;
            }
        }
        return 0xFF000000u | uint32_t(clipped(r)) << 16 | uint32_t(clipped(g)) << 8 | clipped(b);
    }

    template <int W, int H>
    void row(int32_t vx, int32_t vy, int32_t ux, int32_t uy, int width, uint32_t* out) const {
        for (int k = 0; k < width; ++k, vx += ux, vy += uy) out[k] = pixel<W, H>(at(vx, vy));
    }

#if defined(__x86_64__)
    // The 4 x 4 filter with AVX2: the same products and sums, eight at a time.
    __attribute__((target("avx2"))) void row4x4Avx2(int32_t vx, int32_t vy, int32_t ux, int32_t uy, int width,
                                                    uint32_t* out) const {
        const __m256i lowPair = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
        const __m256i highPair = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
        const __m256i evenLanes = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
        const __m256i half = _mm256_set1_epi64x(0x8000);
        uint32_t edge[4];  // a row of taps that reach beyond the source, its edge repeated
        for (int k = 0; k < width; ++k, vx += ux, vy += uy) {
            const Footprint p = at(vx, vy);
            const bool within = inside(p);
            const __m256i xw = _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p.xWeights)));
            __m256i sums = _mm256_setzero_si256();
            for (int i = 0; i < 4; ++i) {
                const uint8_t* row;
                if (within) {
                    row = pixels + size_t(p.y1 + i) * stride + size_t(p.x1) * 4;
                } else {
                    const uint8_t* line = pixels + size_t(std::clamp(p.y1 + i, 0, sourceHeight - 1)) * stride;
                    for (int j = 0; j < 4; ++j)
                        std::memcpy(&edge[j], line + size_t(std::clamp(p.x1 + j, 0, sourceWidth - 1)) * 4, 4);
                    row = reinterpret_cast<const uint8_t*>(edge);
                }
                // The row's four weights: (fx * fy + 0x8000) >> 16, kept to 32 bits.
                const __m256i products = _mm256_add_epi64(_mm256_mul_epi32(xw, _mm256_set1_epi64x(p.yWeights[i])), half);
                const __m256i weights = _mm256_permutevar8x32_epi32(_mm256_srli_epi64(products, 16), evenLanes);
                const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
                const __m256i first = _mm256_cvtepu8_epi32(four);                       // pixels 0 and 1
                const __m256i second = _mm256_cvtepu8_epi32(_mm_srli_si128(four, 8));  // pixels 2 and 3
                sums = _mm256_add_epi32(sums, _mm256_mullo_epi32(first, _mm256_permutevar8x32_epi32(weights, lowPair)));
                sums = _mm256_add_epi32(sums,
                                        _mm256_mullo_epi32(second, _mm256_permutevar8x32_epi32(weights, highPair)));
            }
            // Blue, green, red and the unused byte of both halves added up, then rounded.
            __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
            total = _mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(0x8000)), 16);
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(total, total), _mm_setzero_si128());
            out[k] = uint32_t(_mm_cvtsi128_si32(bytes)) | 0xFF000000u;
        }
    }
#endif
};

}  // namespace

std::optional<ConvolutionFilter> bestFilterFor(const cairo_matrix_t& pattern) {
    double sx = std::hypot(pattern.xx, pattern.xy);
    double sy = std::hypot(pattern.yx, pattern.yy);
    if (!bestFilterScale(sx) || !bestFilterScale(sy)) return std::nullopt;
    ConvolutionFilter filter;
    filter.width = catmullRomWidth(sx);
    filter.height = catmullRomWidth(sy);
    filter.xPhaseBits = phaseBitsFor(sx, filter.width);
    filter.yPhaseBits = phaseBitsFor(sy, filter.height);
    filter.xWeights = phaseWeights(sx, filter.width, filter.xPhaseBits);
    filter.yWeights = phaseWeights(sy, filter.height, filter.yPhaseBits);
    return filter;
}

void sampleConvolved(const uint32_t* source, int sourceWidth, int sourceHeight, const PixmanSampling& sampling,
                     const ConvolutionFilter& filter, int width, int height, uint32_t* target, int pitch,
                     SamplerCode code) {
    const int32_t ux = sampling.matrix[0][0], uy = sampling.matrix[1][0];
    const RowSampler sampler(source, sourceWidth, sourceHeight, filter);
    const bool fourByFour = filter.width == 4 && filter.height == 4;
#if !defined(__x86_64__)
    (void)code;
#else
    const bool avx2 = fourByFour && code == SamplerCode::Fastest && __builtin_cpu_supports("avx2");
#endif
    for (int row = 0; row < height; ++row) {
        // Each row starts from the transformed centre of its first pixel, then steps.
        int32_t v[2] = {(sampling.offsetX << 16) + kFixedOne / 2, ((row + sampling.offsetY) << 16) + kFixedOne / 2};
        pixmanTransformPoint(sampling.matrix, v);
        uint32_t* out = target + size_t(row) * size_t(pitch);
#if defined(__x86_64__)
        if (avx2) {
            sampler.row4x4Avx2(v[0], v[1], ux, uy, width, out);
            continue;
        }
#endif
        if (fourByFour)
            sampler.row<4, 4>(v[0], v[1], ux, uy, width, out);
        else
            sampler.row<0, 0>(v[0], v[1], ux, uy, width, out);
    }
}

}  // namespace tesselon

#include "runtime/imaging/resize_kernels.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tesselon {

namespace {

inline uint8_t storeByte(float value) {
    return value <= 0.0f ? 0 : value >= 255.0f ? 255 : uint8_t(value + 0.5f);
}

// Row after row into the sums, as the whole-image passes did.
template <typename In>
void sumRowsPortable(const In* const* rows, const float* weights, int count, size_t elements, float* out) {
    std::fill(out, out + elements, 0.0f);
    for (int k = 0; k < count; ++k) {
        const In* row = rows[k];
        const float weight = weights[k];
        for (size_t e = 0; e < elements; ++e) out[e] += float(row[e]) * weight;
    }
}

// The elements from `from` on, one at a time, each through every tap.
template <typename In>
void sumTail(const In* const* rows, const float* weights, int count, size_t from, size_t elements, float* out) {
    for (size_t e = from; e < elements; ++e) {
        float sum = 0.0f;
        for (int k = 0; k < count; ++k) sum += float(rows[k][e]) * weights[k];
        out[e] = sum;
    }
}

template <int Channels>
void filterRowPortable(const float* in, const AxisWeights& w, int width, float* out) {
    for (int x = 0; x < width; ++x, out += Channels) {
        float sum[Channels] = {};
        const float* p = in + size_t(w.first[size_t(x)]) * Channels;
        const float* weight = w.of(x);
        for (int k = 0; k < w.count[size_t(x)]; ++k, p += Channels) {
            for (int c = 0; c < Channels; ++c) sum[c] += p[c] * weight[k];
        }
        for (int c = 0; c < Channels; ++c) out[c] = sum[c];
    }
}

#if defined(__x86_64__)
// Eight elements of each row at a time, kept in registers through all the taps, so that
// each source row is read once and the sums are written once.
__attribute__((target("avx2"))) void sumRowsAvx2(const uint8_t* const* rows, const float* weights, int count,
                                                 size_t elements, float* out) {
    size_t e = 0;
    for (; e + 16 <= elements; e += 16) {
        __m256 low = _mm256_setzero_ps(), high = _mm256_setzero_ps();
        for (int k = 0; k < count; ++k) {
            const __m256 weight = _mm256_set1_ps(weights[k]);
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + e));
            const __m256 a = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
            const __m256 b = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_unpackhi_epi64(bytes, bytes)));
            low = _mm256_add_ps(low, _mm256_mul_ps(a, weight));
            high = _mm256_add_ps(high, _mm256_mul_ps(b, weight));
        }
        _mm256_storeu_ps(out + e, low);
        _mm256_storeu_ps(out + e + 8, high);
    }
    sumTail(rows, weights, count, e, elements, out);
}

__attribute__((target("avx2"))) void sumRowsAvx2(const float* const* rows, const float* weights, int count,
                                                 size_t elements, float* out) {
    size_t e = 0;
    for (; e + 16 <= elements; e += 16) {
        __m256 low = _mm256_setzero_ps(), high = _mm256_setzero_ps();
        for (int k = 0; k < count; ++k) {
            const __m256 weight = _mm256_set1_ps(weights[k]);
            low = _mm256_add_ps(low, _mm256_mul_ps(_mm256_loadu_ps(rows[k] + e), weight));
            high = _mm256_add_ps(high, _mm256_mul_ps(_mm256_loadu_ps(rows[k] + e + 8), weight));
        }
        _mm256_storeu_ps(out + e, low);
        _mm256_storeu_ps(out + e + 8, high);
    }
    sumTail(rows, weights, count, e, elements, out);
}

// A pixel's channels side by side in one register (SSE is always there on x86-64). A
// three-channel pixel is loaded and stored with the next pixel's first value beside it,
// which is not used, and written over by that pixel's own store.
template <int Channels>
void filterRowSse(const float* in, const AxisWeights& w, int width, float* out) {
    for (int x = 0; x < width; ++x, out += Channels) {
        __m128 sum = _mm_setzero_ps();
        const float* p = in + size_t(w.first[size_t(x)]) * Channels;
        const float* weight = w.of(x);
        for (int k = 0; k < w.count[size_t(x)]; ++k, p += Channels)
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(p), _mm_set1_ps(weight[k])));
        _mm_storeu_ps(out, sum);
    }
}

// As filterRowSse, every pixel through Taps taps, the most any pixel has: the weights
// beyond a pixel's count are stored as zero, and adding a product with a zero weight
// leaves the sum as it was (the values are finite, and a sum that starts at +0 is never
// -0), so the bytes are those of the pixel's own count, without a loop whose length
// changes from pixel to pixel. Only pixels whose taps all lie on source pixels that some
// pixel uses go this way; the few others near the end take their own count.
template <int Channels, int Taps>
void filterRowSseFixed(const float* in, const AxisWeights& w, int width, float* out) {
    for (int x = 0; x < width; ++x, out += Channels) {
        const int first = w.first[size_t(x)];
        const float* p = in + size_t(first) * Channels;
        const float* weight = w.of(x);
        __m128 sum = _mm_setzero_ps();
        if (first + Taps <= w.reach) {
            for (int k = 0; k < Taps; ++k)
                sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(p + k * Channels), _mm_set1_ps(weight[k])));
        } else {
            for (int k = 0; k < w.count[size_t(x)]; ++k)
                sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(p + k * Channels), _mm_set1_ps(weight[k])));
        }
        _mm_storeu_ps(out, sum);
    }
}

template <int Channels>
void filterRowSseDispatch(const float* in, const AxisWeights& w, int width, float* out) {
    switch (w.mostCount) {
        case 1: return filterRowSseFixed<Channels, 1>(in, w, width, out);
        case 2: return filterRowSseFixed<Channels, 2>(in, w, width, out);
        case 3: return filterRowSseFixed<Channels, 3>(in, w, width, out);
        case 4: return filterRowSseFixed<Channels, 4>(in, w, width, out);
        case 5: return filterRowSseFixed<Channels, 5>(in, w, width, out);
        case 6: return filterRowSseFixed<Channels, 6>(in, w, width, out);
        default: return filterRowSse<Channels>(in, w, width, out);
    }
}

// Clamping first gives storeByte's answer at both ends, and in between the same
// float addition and truncation.
__attribute__((target("avx2"))) void storeRowAvx2(const float* in, size_t elements, uint8_t* out) {
    const __m256 zero = _mm256_setzero_ps(), top = _mm256_set1_ps(255.0f), half = _mm256_set1_ps(0.5f);
    size_t e = 0;
    for (; e + 8 <= elements; e += 8) {
        const __m256 clamped = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(in + e), zero), top);
        const __m256i whole = _mm256_cvttps_epi32(_mm256_add_ps(clamped, half));
        const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + e), _mm_packus_epi16(words, words));
    }
    for (; e < elements; ++e) out[e] = storeByte(in[e]);
}

bool useAvx2(KernelCode code) { return code == KernelCode::Fastest && __builtin_cpu_supports("avx2"); }
#endif

}  // namespace

void sumRows(const uint8_t* const* rows, const float* weights, int count, size_t elements, float* out,
             KernelCode code) {
#if defined(__x86_64__)
    if (useAvx2(code)) return sumRowsAvx2(rows, weights, count, elements, out);
#endif
    (void)code;
    sumRowsPortable(rows, weights, count, elements, out);
}

void sumRows(const float* const* rows, const float* weights, int count, size_t elements, float* out,
             KernelCode code) {
#if defined(__x86_64__)
    if (useAvx2(code)) return sumRowsAvx2(rows, weights, count, elements, out);
#endif
    (void)code;
    sumRowsPortable(rows, weights, count, elements, out);
}

void filterRow(const float* in, const AxisWeights& weights, int channels, int width, float* out, KernelCode code) {
#if defined(__x86_64__)
    if (code == KernelCode::Fastest) {
        if (channels == 4) return filterRowSseDispatch<4>(in, weights, width, out);
        return filterRowSseDispatch<3>(in, weights, width, out);
    }
#endif
    (void)code;
    if (channels == 4) return filterRowPortable<4>(in, weights, width, out);
    filterRowPortable<3>(in, weights, width, out);
}

void storeRow(const float* in, size_t elements, uint8_t* out, KernelCode code) {
#if defined(__x86_64__)
    if (useAvx2(code)) return storeRowAvx2(in, elements, out);
#endif
    (void)code;
    for (size_t e = 0; e < elements; ++e) out[e] = storeByte(in[e]);
}

void widenRow(const uint8_t* in, size_t elements, float* out) {
    for (size_t e = 0; e < elements; ++e) out[e] = float(in[e]);
}

}  // namespace tesselon

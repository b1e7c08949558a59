#include "runtime/imaging/resample_weights.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace tesselon {

namespace {

double mitchell(double x) {
    constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0) return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6;
    if (x < 2.0) {
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6;
    }
    return 0.0;
}

// Builds the table from each destination pixel's candidate span and a weight function.
template <typename Span, typename Weight>
AxisWeights buildWeights(int from, int to, int taps, Span span, Weight weight) {
    AxisWeights w;
    w.taps = taps;
    w.first.resize(size_t(to));
    w.count.resize(size_t(to));
    w.weights.assign(size_t(to) * size_t(taps), 0.0f);
    std::vector<double> raw(static_cast<size_t>(taps));
    for (int i = 0; i < to; ++i) {
        auto [lo, hi] = span(i);
        lo = std::max(lo, 0);
        hi = std::min({hi, from - 1, lo + taps - 1});
        double sum = 0.0;
        int n = 0;
        for (int j = lo; j <= hi; ++j, ++n) sum += raw[size_t(n)] = weight(i, j);
        if (n == 0 || sum <= 0.0) {
            // Nothing in reach (only at extreme ratios): take the nearest source pixel.
            lo = std::clamp(int(int64_t(2 * i + 1) * from / (2 * int64_t(to))), 0, from - 1);
            n = 1;
            raw[0] = sum = 1.0;
        }
        w.first[size_t(i)] = lo;
        w.count[size_t(i)] = n;
        w.mostCount = std::max(w.mostCount, n);
        w.reach = std::max(w.reach, lo + n);
        float* out = w.weights.data() + size_t(i) * size_t(taps);
        for (int k = 0; k < n; ++k) out[k] = float(raw[size_t(k)] / sum);
    }
    return w;
}

}  // namespace

AxisWeights mitchellWeights(int from, int to) {
    const double scale = double(to) / from;
    const double filterScale = std::min(scale, 1.0);
    const double support = 2.0 / filterScale;
    const int taps = int(std::ceil(2 * support)) + 2;
    auto centre = [&](int i) { return (i + 0.5) / scale; };
    return buildWeights(
        from, to, taps,
        [&](int i) {
            return std::pair<int, int>{int(std::floor(centre(i) - support)), int(std::ceil(centre(i) + support))};
        },
        [&](int i, int j) { return mitchell((j + 0.5 - centre(i)) * filterScale); });
}

AxisWeights areaWeights(int from, int to) {
    const double ratio = double(from) / to;  // source pixels per destination pixel
    const int taps = int(std::ceil(ratio)) + 2;
    return buildWeights(
        from, to, taps,
        [&](int i) {
            return std::pair<int, int>{int(std::floor(i * ratio)), int(std::ceil((i + 1) * ratio)) - 1};
        },
        [&](int i, int j) {
            const double covered = std::min((i + 1) * ratio, j + 1.0) - std::max(i * ratio, double(j));
            return std::max(covered, 0.0);
        });
}

}  // namespace tesselon

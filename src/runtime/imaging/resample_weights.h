// Per-axis filter weights for resampling: which source pixels make each destination
// pixel, and how much each one counts.
#pragma once

#include <cstddef>
#include <vector>

namespace tesselon {

struct AxisWeights {
    int taps = 0;            // weights stored per destination pixel (unused ones are zero)
    std::vector<int> first;  // first source pixel of each destination pixel
    std::vector<int> count;  // source pixels used by each destination pixel
    std::vector<float> weights;  // taps per destination pixel, summing to 1
    int mostCount = 0;       // the largest count
    int reach = 0;           // one past the last source pixel any destination pixel uses

    const float* of(int i) const { return weights.data() + size_t(i) * size_t(taps); }
};

// Mitchell-Netravali cubic with B = C = 1/3, support 2 source pixels when enlarging and
// 2 destination pixels (widened by the scale factor) when shrinking.
AxisWeights mitchellWeights(int from, int to);

// Box filter: each destination pixel averages the source span it covers, partly covered
// source pixels counting by the covered fraction.
AxisWeights areaWeights(int from, int to);

}  // namespace tesselon

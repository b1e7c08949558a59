// Sampling a picture through an affine transformation as pixman does for cairo's best
// filter: a separable Catmull-Rom convolution in 16.16 fixed point. The arithmetic is
// pixman's own, tap for tap, so the bytes are the same; but without pixman's per-tap
// generality (repeat modes, formats, skipped taps) it runs several times faster.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "processing/filters/pixman_sampling.h"

namespace tesselon {

struct ConvolutionFilter {
    int width = 0;        // taps across
    int height = 0;       // taps down
    int xPhaseBits = 0;   // sub-pixel positions across: 2^xPhaseBits
    int yPhaseBits = 0;
    std::vector<int32_t> xWeights;  // 16.16 fixed point, `width` per phase
    std::vector<int32_t> yWeights;  // `height` per phase
};

// The filter cairo 1.16 hands pixman for its best filter and this pattern matrix: the
// Catmull-Rom kernel widened by how much the matrix shrinks, with as many phases as
// cairo gives it. Nothing where cairo would pick another kernel (a picture shrunk more
// than sixteen times).
std::optional<ConvolutionFilter> bestFilterFor(const cairo_matrix_t& pattern);

// Which code does the sums: the processor's vector instructions where it has them
// (AVX2 for the usual 4 x 4 taps), or plain C++ everywhere. Both give the same bytes.
enum class SamplerCode { Fastest, Portable };

// Fills the target (width x height cairo RGB24 pixels, `pitch` pixels apart) with the
// source (sourceWidth x sourceHeight cairo RGB24 pixels, extended by its edge pixels)
// sampled as pixman samples it for target pixel (x, y) at the matrix's image of
// (x + offsetX + 1/2, y + offsetY + 1/2).
void sampleConvolved(const uint32_t* source, int sourceWidth, int sourceHeight, const PixmanSampling& sampling,
                     const ConvolutionFilter& filter, int width, int height, uint32_t* target, int pitch,
                     SamplerCode code = SamplerCode::Fastest);

}  // namespace tesselon

// The row kernels of the smooth resize.
//
// The resize works one output row at a time: the source rows an output row needs are
// summed with their vertical weights into one row of floats, and a row is filtered
// across into the output (see image_resize.cpp). Rows stay in the caches that way, and
// no intermediate image the size of the picture is ever made.
//
// Every kernel does exactly the float operations of the plain loops, in their order:
// each product rounded to a float, then added to a sum that starts at 0.0f, tap after
// tap, never fused into one multiply-add. The vector code only does several elements
// at once, so the bytes do not depend on which code ran.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/imaging/resample_weights.h"

namespace tesselon {

// Which code does the sums: the processor's vector instructions where it has them, or
// plain C++ everywhere. Both give the same bytes.
enum class KernelCode { Fastest, Portable };

// Float rows handed to filterRow and written by it have this many elements of room
// beyond their last one: three-channel pixels are loaded and stored four floats wide.
constexpr size_t kRowSlack = 4;

// out[e] = the sum over k < count of rows[k][e] * weights[k], for e < elements.
void sumRows(const uint8_t* const* rows, const float* weights, int count, size_t elements, float* out,
             KernelCode code = KernelCode::Fastest);
void sumRows(const float* const* rows, const float* weights, int count, size_t elements, float* out,
             KernelCode code = KernelCode::Fastest);

// Pixel x of `out` (channels 3 or 4) is the sum over the taps of `weights` for x of the
// source pixels of `in` times their weights, channel by channel, for x < width.
void filterRow(const float* in, const AxisWeights& weights, int channels, int width, float* out,
               KernelCode code = KernelCode::Fastest);

// Bytes of a row of sums: rounded half up, at most 255, at least 0.
void storeRow(const float* in, size_t elements, uint8_t* out, KernelCode code = KernelCode::Fastest);

// Floats of a row of bytes.
void widenRow(const uint8_t* in, size_t elements, float* out);

}  // namespace tesselon

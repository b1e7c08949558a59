// Where cairo's image backend makes pixman sample a transformed surface.
//
// cairo hands pixman a pattern matrix in 16.16 fixed point: it splits a whole-pixel
// offset off the translation, rounds the coefficients, and then corrects the translation
// so that the rounded matrix agrees with the exact one at the centre of the area being
// painted. Two paints whose exact matrices differ by whole pixels therefore sample at
// slightly different sub-pixel positions unless their translations are chosen with this
// in mind. This mirrors cairo 1.16's conversion (_cairo_matrix_to_pixman_matrix_offset)
// so that a tiled paint can sample exactly where one large paint does.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>

namespace tesselon {

struct PixmanSampling {
    int32_t matrix[2][3] = {};  // 16.16 fixed point, device -> pattern
    int offsetX = 0;            // whole pixels added to device coordinates first
    int offsetY = 0;
};

// The sampling cairo sets up for a pattern matrix (device -> pattern) when the area
// painted has its centre at (centreX, centreY) in device space. Nothing for matrices
// cairo treats as pure translations (no resampling, so no sub-pixel positions).
std::optional<PixmanSampling> pixmanSampling(const cairo_matrix_t& pattern, double centreX, double centreY);

// Where pixman maps the point v (16.16 fixed point) with such a matrix, rounded as
// pixman_transform_point_3d rounds it.
void pixmanTransformPoint(const int32_t matrix[2][3], int32_t v[2]);

// Whether cairo takes the matrix as one that only moves or swaps whole axes (a quarter
// turn, a mirror).
bool pixmanUnityScale(const cairo_matrix_t& m);

// Whether it moves them by whole pixels too, in cairo's own 24.8 fixed point: cairo then
// samples without a filter, each target pixel taking the source pixel under its centre.
bool pixmanPixelExact(const cairo_matrix_t& m);

}  // namespace tesselon

#include "processing/filters/pixman_sampling.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace tesselon {

namespace {

constexpr double kScalingEpsilon = 1.0 / 256;    // one unit of cairo's 24.8 fixed point
constexpr double kMaxPixmanInteger = 32767.0;

int32_t fixed1616(double v) {
    // cairo adds a magic number and keeps the low word: round to nearest, ties to even.
    return int32_t(int64_t(std::nearbyint(v * 65536.0)));
}

}  // namespace

bool pixmanUnityScale(const cairo_matrix_t& m) {
    const double det = m.xx * m.yy - m.yx * m.xy;
    if (std::fabs(det * det - 1.0) >= kScalingEpsilon) return false;
    return (std::fabs(m.xy) < kScalingEpsilon && std::fabs(m.yx) < kScalingEpsilon) ||
           (std::fabs(m.xx) < kScalingEpsilon && std::fabs(m.yy) < kScalingEpsilon);
}

bool pixmanPixelExact(const cairo_matrix_t& m) {
    // cairo adds a magic number to reach 24.8 fixed point: round to nearest, ties to even.
    const auto whole = [](double v) { return (int64_t(std::nearbyint(v * 256.0)) & 0xFF) == 0; };
    return pixmanUnityScale(m) && whole(m.x0) && whole(m.y0);
}

// pixman_transform_point_3d on a vector whose third component is 1.
void pixmanTransformPoint(const int32_t matrix[2][3], int32_t v[2]) {
    int32_t out[2];
    for (int i = 0; i < 2; ++i) {
        int64_t high = int64_t(matrix[i][0]) * (v[0] >> 16) + int64_t(matrix[i][1]) * (v[1] >> 16) + matrix[i][2];
        const int64_t low = int64_t(matrix[i][0]) * (v[0] & 0xFFFF) + int64_t(matrix[i][1]) * (v[1] & 0xFFFF);
        high += (low + 0x8000) >> 16;
        out[i] = int32_t(high);
    }
    v[0] = out[0];
    v[1] = out[1];
}

namespace {

// The whole-pixel shift that leaves the smallest translation: the floor of the point the
// matrix maps closest to itself or its mirror image.
void splitOffset(const cairo_matrix_t& m, double& tx, double& ty) {
    tx = m.x0;
    ty = m.y0;
    double norm = std::max(std::fabs(tx), std::fabs(ty));
    for (int i = -1; i < 2; i += 2)
        for (int j = -1; j < 2; j += 2) {
            double den = (m.xx + i) * (m.yy + j) - m.xy * m.yx;
            if (std::fabs(den) < DBL_EPSILON) continue;
            double x = m.y0 * m.xy - m.x0 * (m.yy + j);
            double y = m.x0 * m.yx - m.y0 * (m.xx + i);
            den = 1 / den;
            x *= den;
            y *= den;
            const double newNorm = std::max(std::fabs(x), std::fabs(y));
            if (norm > newNorm) {
                norm = newNorm;
                tx = x;
                ty = y;
            }
        }
    tx = std::floor(tx);
    ty = std::floor(ty);
}

}  // namespace

std::optional<PixmanSampling> pixmanSampling(const cairo_matrix_t& pattern, double centreX, double centreY) {
    if (pattern.xx == 1.0 && pattern.yx == 0.0 && pattern.xy == 0.0 && pattern.yy == 1.0) return std::nullopt;
    PixmanSampling sampling;
    cairo_matrix_t m = pattern;
    sampling.offsetX = sampling.offsetY = 0;
    if (m.x0 != 0.0 || m.y0 != 0.0) {
        double tx, ty;
        splitOffset(m, tx, ty);
        sampling.offsetX = int(-tx);
        sampling.offsetY = int(-ty);
        cairo_matrix_translate(&m, tx, ty);
    }
    int32_t (&f)[2][3] = sampling.matrix;
    f[0][0] = fixed1616(m.xx);
    f[0][1] = fixed1616(m.xy);
    f[0][2] = fixed1616(m.x0);
    f[1][0] = fixed1616(m.yx);
    f[1][1] = fixed1616(m.yy);
    f[1][2] = fixed1616(m.y0);
    if (pixmanUnityScale(m)) return sampling;
    if (std::fabs(m.xx) > kMaxPixmanInteger || std::fabs(m.xy) > kMaxPixmanInteger ||
        std::fabs(m.x0) > kMaxPixmanInteger || std::fabs(m.yx) > kMaxPixmanInteger ||
        std::fabs(m.yy) > kMaxPixmanInteger || std::fabs(m.y0) > kMaxPixmanInteger)
        return sampling;
    cairo_matrix_t inverse = m;
    if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) return sampling;
    for (int iteration = 0; iteration < 5; ++iteration) {
        int32_t v[2] = {fixed1616(centreX), fixed1616(centreY)};
        pixmanTransformPoint(f, v);
        double x = v[0] / 65536.0, y = v[1] / 65536.0;
        cairo_matrix_transform_point(&inverse, &x, &y);
        x -= centreX;
        y -= centreY;
        cairo_matrix_transform_distance(&m, &x, &y);
        const int32_t dx = fixed1616(x), dy = fixed1616(y);
        f[0][2] -= dx;
        f[1][2] -= dy;
        if (dx == 0 && dy == 0) break;
    }
    return sampling;
}

}  // namespace tesselon

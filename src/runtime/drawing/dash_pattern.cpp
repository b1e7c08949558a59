#include "runtime/drawing/dash_pattern.h"

#include <cmath>

namespace tesselon {

namespace {

// A "negligible" dash for round ends: long enough that cairo keeps the pattern,
// short enough to be invisible beside the caps.
constexpr double kNegligible = 1e-4;

}  // namespace

DashPattern makeDashPattern(double width, const std::vector<double>& lengths, uint32_t flags, double offset) {
    DashPattern pattern;
    if (!std::isfinite(width) || width <= 0 || lengths.size() < 2 || lengths.size() % 2 != 0)
        return pattern;
    for (double length : lengths) {
        if (!std::isfinite(length) || length < 0)
            return pattern;
    }
    const double zero = (flags & kPathRoundEnd) ? kNegligible : 1.0;
    double period = 0;
    pattern.lengths.reserve(lengths.size());
    for (double length : lengths) {
        const double used = length == 0 ? zero * width : length;
        pattern.lengths.push_back(used);
        period += used;
    }
    if (!std::isfinite(period) || period <= 0) {
        pattern.lengths.clear();
        return pattern;
    }
    pattern.offset = std::isfinite(offset) ? offset : 0;
    return pattern;
}

}  // namespace tesselon

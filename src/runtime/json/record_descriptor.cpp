#include "runtime/json/record_descriptor.h"

#include <cmath>
#include <limits>

namespace tesselon {

std::string jsonKeyOf(std::string_view fieldName) {
    if (!fieldName.empty() && fieldName.front() == '*') fieldName.remove_prefix(1);
    if (!fieldName.empty() && fieldName.back() == '$') fieldName.remove_suffix(1);
    return std::string(fieldName);
}

int64_t jsonIntegerOf(const JsonValue& value) {
    if (const int64_t* integer = value.asInteger()) return *integer;
    if (const double* number = value.asFloat()) {
        // 2^63 is exact as a double; from there up, below -2^63 and NaN no integer fits.
        constexpr double kLimit = 9223372036854775808.0;
        if (!(*number >= -kLimit && *number < kLimit)) return std::numeric_limits<int64_t>::min();
        return static_cast<int64_t>(*number);
    }
    if (const bool* flag = value.asBoolean()) return *flag ? 1 : 0;
    return 0;
}

double jsonFloatOf(const JsonValue& value) {
    if (const double* number = value.asFloat()) return *number;
    if (const int64_t* integer = value.asInteger()) return static_cast<double>(*integer);
    if (const bool* flag = value.asBoolean()) return *flag ? 1.0 : 0.0;
    return 0.0;
}

float narrowToFloat(double value) {
    // The cast itself is only defined inside the float range, so the rounding at its
    // edge is done here: up to half a unit beyond the largest float still rounds to it.
    constexpr double kMax = std::numeric_limits<float>::max();
    const double overflow = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    if (std::isfinite(value) && std::fabs(value) > kMax) {
        const float limit = std::fabs(value) < overflow ? std::numeric_limits<float>::max()
                                                        : std::numeric_limits<float>::infinity();
        return value > 0 ? limit : -limit;
    }
    return static_cast<float>(value);
}

}  // namespace tesselon

// The rounding and evaluation order that the colour and geometry formulas are defined with.
#pragma once

#include <cmath>

namespace tesselon {

// Half away from zero, done as the formulas state it: add 0.5 (subtract it below zero),
// then truncate toward zero. The addition itself rounds in double, which is part of the
// definition (0.49999999999999994 becomes 1).
inline double roundHalfAwayFromZero(double v) {
    return v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
}

// The value rounded to its own type before it goes on. Compilers may fuse a product with
// the addition that follows into one multiply-add (arm64 does so by default), which skips
// the product's rounding and moves results by one unit in the last place; the formulas
// round every product, so the products that feed a sum pass through here.
template <typename T>
inline T rounded(T value) {
    volatile T stored = value;
    return stored;
}

}  // namespace tesselon

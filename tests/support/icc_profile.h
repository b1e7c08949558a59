// ICC profiles made by the tests.
#pragma once

#include <string>

namespace tesselon::testing {

// A small but complete display profile (ICC v2, matrix and gamma) with wide-gamut
// primaries and a description naming it, so a kept profile is told apart from any
// default one. `colourSpace` is the data colour space signature ("RGB ", "GRAY").
std::string testIccProfile(const std::string& colourSpace = "RGB ");

}  // namespace tesselon::testing

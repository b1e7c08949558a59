// How a custom dash stroke's arguments become cairo's dash settings.
#pragma once

#include <cstdint>
#include <vector>

namespace tesselon {

enum PathFlags : uint32_t {
    kPathPreserve = 0x08,    // keep the path after stroking or filling
    kPathRoundEnd = 0x10,
    kPathSquareEnd = 0x20,
    kPathWinding = 0x100,    // fill with the non-zero winding rule, else even-odd
};

struct DashPattern {
    std::vector<double> lengths;  // user units, dash then gap; empty = solid line
    double offset = 0;            // user units into the pattern where the line starts
};

// lengths: alternately dash and gap lengths in user units, an even number of at
// least two, none negative. Anything else (or a width that is not positive) gives a
// solid line.
//
// A zero length becomes one line width, or a negligible length with round ends so
// that a zero dash makes a dot. Pens that keep their caps inside each dash need every
// dash lengthened and every gap shortened by one width (and the start moved half a
// width with square ends) to look like this; cairo puts round and square caps half a
// width beyond both ends of a dash already, so the lengths and the offset reach it
// unchanged and its caps make those adjustments.
DashPattern makeDashPattern(double width, const std::vector<double>& lengths, uint32_t flags, double offset);

}  // namespace tesselon

// The box at the end of a batch: the plain notice when every image was converted, a
// warning that names what was not otherwise.
#pragma once

#include <string>

#include "core/frontend.h"

namespace tesselon {

struct MessageBoxText {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Information;
};

// At most this many failed images are named; the rest are counted.
inline constexpr size_t kNamedFailures = 10;

MessageBoxText batchEndBox(const BatchEnd& end);

}  // namespace tesselon

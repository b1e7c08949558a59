// What the desktop's status line says after a batch in which not every image ended up
// with its own result.
#pragma once

#include <cstddef>
#include <string>

namespace tesselon {

struct BatchTally {
    size_t failed = 0;    // not converted: unreadable, too large, not written
    size_t refused = 0;   // not written: the result would have replaced another file
    size_t sameName = 0;  // not written: another image keeps the result's name
    bool textCut = false; // a text was longer than the overlay takes
    size_t firstFrameOnly = 0;  // animations converted from their first frame
    size_t copiedUnchanged = 0; // animated GIFs copied as they are, not converted
};

// Empty when there is nothing to tell.
std::string batchStatusText(const BatchTally& tally);

}  // namespace tesselon

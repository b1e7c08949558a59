// The box at the end of a batch: the plain notice when every image was converted, a
// warning that names what was not otherwise.
#pragma once

#include "core/frontend.h"
#include "ui/message_box_text.h"

namespace tesselon {

// At most this many failed images are named; the rest are counted.
inline constexpr size_t kNamedFailures = 10;

MessageBoxText batchEndBox(const BatchEnd& end);

struct PublishEnd;
// The same box, followed by how the publishing of the results went.
MessageBoxText batchEndBox(const BatchEnd& end, const PublishEnd& publish);

}  // namespace tesselon

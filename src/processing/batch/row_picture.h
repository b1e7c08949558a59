// A picture made of an image's rows as a decoder gives them, top to bottom, for a caller
// that never holds the whole image (a source decoded straight into its quarter turn).
#pragma once

#include "runtime/imaging/image_object.h"

namespace tesselon {

class RowPicture {
public:
    virtual ~RowPicture() = default;
    // The next `count` rows of the image, the first `count` rows of `band` (24-bit, the
    // image's width).
    virtual void take(const ImageObject& band, int count) = 0;
    // Every row has been given: the picture is made and handed on. Not called when the
    // decode failed part way.
    virtual void finish() = 0;
};

}  // namespace tesselon

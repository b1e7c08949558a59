// What a preview pane shows for an entry that cannot be read, instead of a picture.
#pragma once

#include <string_view>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// A dark picture of width x height pixels that says "No se puede leer" above the
// entry's name and the reason; text is drawn at `scale` times its 96-dpi size.
ImageObject drawUnreadablePlaceholder(int width, int height, double scale, std::string_view name,
                                      std::string_view reason);

}  // namespace tesselon

// The user's words for why an image has no result or cannot be shown.
#pragma once

#include <string>

#include "core/image_failure.h"

namespace tesselon {

// A short lower-case phrase, such as "no es una imagen válida o está dañada".
std::string failureText(ImageFailure why);

}  // namespace tesselon

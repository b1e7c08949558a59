// Creating a folder together with every missing folder above it.
#pragma once

#include <string_view>

namespace tesselon {

// Walks the path's "/"-separated components from the first, creating each one that is
// not a folder yet. An absolute path stays absolute. A component that another process
// creates meanwhile counts as made. False when a component cannot be created (no
// permission, a file in the way); true for a path without components ("", "/").
bool createPath(std::string_view folder);

}  // namespace tesselon

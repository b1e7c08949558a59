// Files the batch keeps beside its results, which no scan may take for images: the
// manifest of a destination folder and its journal (processing/incremental).
#pragma once

#include <string_view>

namespace tesselon {

inline constexpr std::string_view kManifestNamePrefix = ".tesselon-manifest";

// Whether a file name is one of the batch's own records.
inline bool isBookkeepingName(std::string_view name) {
    return name.substr(0, kManifestNamePrefix.size()) == kManifestNamePrefix;
}

}  // namespace tesselon

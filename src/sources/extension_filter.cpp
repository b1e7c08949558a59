#include "sources/extension_filter.h"

#include <algorithm>

#include "runtime/fs/paths.h"

namespace tesselon {

ExtensionFilter::ExtensionFilter(std::string_view extensionList) {
    if (extensionList.empty() || extensionList == "*.*") {
        acceptsAll_ = true;
        return;
    }
    // One more name than there are separators, empty names included: "jpg|" also
    // lists "", which no extension equals.
    size_t start = 0;
    while (true) {
        const size_t bar = extensionList.find('|', start);
        names_.push_back(asciiLower(extensionList.substr(start, bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
}

bool ExtensionFilter::accepts(std::string_view fileName) const {
    if (acceptsAll_) return true;
    const std::string extension = asciiLower(trimSpaces(extensionPart(fileName)));
    if (extension.empty()) return false;
    return std::find(names_.begin(), names_.end(), extension) != names_.end();
}

}  // namespace tesselon

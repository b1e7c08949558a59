#include "runtime/drawing/font_table.h"

#include <limits>

namespace tesselon {

std::optional<int> FontTable::load(int handle, const std::string& face, int points, uint32_t style, int dpi) {
    if (handle != kNewHandle && (handle < 0 || handle > kMaxFixedHandle))
        return std::nullopt;
    std::optional<Font> font = loadFont(face, points, style, dpi);
    if (!font)
        return std::nullopt;
    return put(handle, std::move(*font));
}

std::optional<int> FontTable::put(int handle, Font font) {
    if (handle == kNewHandle) {
        while (fonts_.count(nextHandle_)) {
            if (nextHandle_ == std::numeric_limits<int>::max())
                return std::nullopt;
            ++nextHandle_;
        }
        handle = nextHandle_;
        if (nextHandle_ < std::numeric_limits<int>::max())
            ++nextHandle_;
    } else if (handle < 0 || handle > kMaxFixedHandle) {
        return std::nullopt;
    }
    fonts_[handle] = std::move(font);
    return handle;
}

std::optional<Font> FontTable::find(int handle) const {
    const auto it = fonts_.find(handle);
    if (it == fonts_.end())
        return std::nullopt;
    return it->second;
}

bool FontTable::free(int handle) {
    return fonts_.erase(handle) != 0;
}

}  // namespace tesselon

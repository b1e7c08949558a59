#include "sources/remote_names.h"

#include "runtime/fs/text_codec.h"

namespace tesselon {

bool isSafeRemoteName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool isSafeRemotePath(std::string_view path) {
    if (path.find_first_of(std::string_view("\\\0", 2)) != std::string_view::npos) return false;
    while (!path.empty()) {
        const size_t slash = path.find('/');
        if (path.substr(0, slash) == "..") return false;
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return true;
}

std::string displayName(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) appendUtf8(text, decodeUtf8(bytes, pos));
    return text;
}

}  // namespace tesselon

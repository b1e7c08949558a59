#include "runtime/fs/paths.h"

namespace tesselon {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string_view unquoted(std::string_view path) {
    if (path.empty() || path.front() != '"') return path;
    path.remove_prefix(1);
    const size_t closing = path.find('"');
    return closing == std::string_view::npos ? path : path.substr(0, closing);
}

// Position of the dot that starts the extension, or npos.
size_t extensionDot(std::string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        const char c = path[i];
        if (c == '.') return i == 0 || isSeparator(path[i - 1]) ? std::string_view::npos : i;
        if (c == ' ' || isSeparator(c)) return std::string_view::npos;
    }
    return std::string_view::npos;
}

}  // namespace

std::string pathPart(std::string_view path) {
    const std::string_view text = unquoted(path);
    const size_t last = text.find_last_of("/\\|");
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string filePart(std::string_view path, int flags) {
    const std::string_view text = unquoted(path);
    const size_t last = text.find_last_of("/\\");
    std::string_view name = last == std::string_view::npos ? text : text.substr(last + 1);
    if (flags & kFilePartNoExtension) {
        const size_t dot = extensionDot(name);
        if (dot != std::string_view::npos) name = name.substr(0, dot);
    }
    return std::string(name);
}

std::string extensionPart(std::string_view path) {
    const std::string_view text = unquoted(path);
    const size_t dot = extensionDot(text);
    return dot == std::string_view::npos ? std::string() : std::string(text.substr(dot + 1));
}

std::string withTrailingSeparator(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    return out;
}

}  // namespace tesselon

#include "sources/remote_names.h"

#include <algorithm>

#include "runtime/fs/text_codec.h"

namespace tesselon {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Whether one of the components between separators (either kind when `anySeparator`)
// is "..".
bool hasParentComponent(std::string_view path, bool anySeparator) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !(anySeparator ? isSeparator(path[i]) : path[i] == '/')) continue;
        if (path.substr(start, i - start) == "..") return true;
        start = i + 1;
    }
    return false;
}

}  // namespace

RemoteNameProblem remoteNameProblem(std::string_view name) {
    if (name.empty() || name == ".") return RemoteNameProblem::ClimbsOut;
    if (isSeparator(name.front())) return RemoteNameProblem::Absolute;
    if (hasParentComponent(name, true)) return RemoteNameProblem::ClimbsOut;
    if (std::any_of(name.begin(), name.end(), isSeparator)) return RemoteNameProblem::Separator;
    if (std::any_of(name.begin(), name.end(), isControl)) return RemoteNameProblem::ControlCharacter;
    return RemoteNameProblem::None;
}

bool isSafeRemotePath(std::string_view path) {
    if (std::any_of(path.begin(), path.end(), [](char c) { return c == '\\' || isControl(c); })) return false;
    return !hasParentComponent(path, false);
}

std::string displayName(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) appendUtf8(text, decodeUtf8(bytes, pos));
    return text;
}

}  // namespace tesselon

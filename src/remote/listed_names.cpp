#include "remote/listed_names.h"

#include <algorithm>

namespace tesselon {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Whether a component between separators (either kind) is "." or "..".
bool hasDotComponent(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i])) continue;
        const std::string_view part = path.substr(start, i - start);
        if (part == "." || part == "..") return true;
        start = i + 1;
    }
    return false;
}

}  // namespace

ListedNameProblem listedNameProblem(std::string_view name) {
    if (name.empty()) return ListedNameProblem::ClimbsOut;
    if (isSeparator(name.front())) return ListedNameProblem::Absolute;
    if (hasDotComponent(name)) return ListedNameProblem::ClimbsOut;
    if (std::any_of(name.begin(), name.end(), isSeparator)) return ListedNameProblem::Separator;
    if (std::any_of(name.begin(), name.end(), isControl)) return ListedNameProblem::ControlCharacter;
    return ListedNameProblem::None;
}

size_t listedPathLength(std::string_view folder, std::string_view name) {
    return (folder == "/" ? 0 : folder.size()) + 1 + name.size();
}

ListedNameProblem listedNameProblem(std::string_view folder, std::string_view name) {
    const ListedNameProblem problem = listedNameProblem(name);
    if (problem != ListedNameProblem::None) return problem;
    return listedPathLength(folder, name) > kMaxListedPathBytes ? ListedNameProblem::PathTooLong
                                                                : ListedNameProblem::None;
}

bool isSafeListedPath(std::string_view path) {
    if (path.empty() || path.front() != '/') return false;
    if (std::any_of(path.begin(), path.end(), [](char c) { return c == '\\' || isControl(c); })) return false;
    return !hasDotComponent(path.substr(1));
}

}  // namespace tesselon

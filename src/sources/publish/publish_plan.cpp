#include "sources/publish/publish_plan.h"

namespace tesselon {

namespace {

// Splits `path` at "/" into `parts`, skipping empty ones; the first problem of a part.
PublishNameProblem appendParts(std::string_view path, std::vector<std::string_view>& parts) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            const PublishNameProblem problem = publishNameProblem(part);
            if (problem != PublishNameProblem::None) return problem;
            parts.push_back(part);
        }
        start = end + 1;
    }
    return PublishNameProblem::None;
}

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

}  // namespace

PublishNameProblem publishNameProblem(std::string_view name) {
    if (name.empty()) return PublishNameProblem::Empty;
    if (name == "." || name == "..") return PublishNameProblem::DotComponent;
    for (char c : name) {
        if (c == '\0' || c == '\r' || c == '\n') return PublishNameProblem::ControlByte;
        if (c == '/') return PublishNameProblem::SlashInName;
    }
    return PublishNameProblem::None;
}

bool publishFolderUsable(std::string_view folder) {
    std::vector<std::string_view> parts;
    return !withoutTrailingSlashes(folder).empty() && appendParts(folder, parts) == PublishNameProblem::None;
}

PublishPath publishPathOf(std::string_view publishFolder, std::string_view scannedFolder, std::string_view sourcePath,
                          std::string_view resultName) {
    PublishPath path;
    const auto refuse = [&path](PublishNameProblem problem) {
        path.problem = problem;
        path.remotePath.clear();
        path.folder.clear();
        return path;
    };
    std::vector<std::string_view> top;
    if (withoutTrailingSlashes(publishFolder).empty()) return refuse(PublishNameProblem::Empty);
    if (const PublishNameProblem p = appendParts(publishFolder, top); p != PublishNameProblem::None) return refuse(p);

    const std::string_view scanned = withoutTrailingSlashes(scannedFolder);
    const bool atRoot = scanned == "/";
    if (scanned.empty() || sourcePath.substr(0, scanned.size()) != scanned ||
        (!atRoot && (sourcePath.size() <= scanned.size() || sourcePath[scanned.size()] != '/')))
        return refuse(PublishNameProblem::NotBeneath);
    std::string_view relative = sourcePath.substr(scanned.size());
    const size_t slash = relative.rfind('/');
    relative = slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    std::vector<std::string_view> below;
    if (const PublishNameProblem p = appendParts(relative, below); p != PublishNameProblem::None) return refuse(p);
    if (const PublishNameProblem p = publishNameProblem(resultName); p != PublishNameProblem::None) return refuse(p);

    path.folder = publishFolder.front() == '/' ? "/" : "";
    bool first = true;
    for (const std::vector<std::string_view>* parts : {&top, &below}) {
        for (std::string_view part : *parts) {
            if (!first) path.folder += '/';
            path.folder += part;
            first = false;
        }
    }
    path.remotePath = path.folder + (path.folder.empty() || path.folder.back() == '/' ? "" : "/");
    path.remotePath += resultName;
    if (path.remotePath.size() > kMaxPublishPathBytes) return refuse(PublishNameProblem::TooLong);
    return path;
}

std::vector<std::string> foldersDownTo(std::string_view folder) {
    std::vector<std::string> folders;
    for (size_t at = folder.find('/', 1); ; at = folder.find('/', at + 1)) {
        const std::string_view head = folder.substr(0, at);
        if (!head.empty() && head != "/") folders.emplace_back(head);
        if (at == std::string_view::npos) break;
    }
    return folders;
}

}  // namespace tesselon

#include "processing/output/output_guard.h"

#include <filesystem>
#include <sys/stat.h>

#include "processing/output/destination_folder.h"
#include "processing/output/output_format.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"

namespace tesselon {

namespace {

// The real path with a trailing "/", so that prefixes compare whole folder names.
std::string realFolder(const std::string& path) { return withTrailingSeparator(realPath(path)); }

bool startsWith(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

std::optional<FolderIdentity> fileIdentity(const std::string& path, bool followLink) {
    struct stat info {};
    const int status = followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (status != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FolderIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino)};
}

// The absolute path with "." and ".." worked out and no trailing separator.
std::string normalPath(const std::string& path) {
    std::error_code ignored;
    std::filesystem::path normal = std::filesystem::absolute(path, ignored).lexically_normal();
    std::string text = normal.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool sameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const std::optional<FolderIdentity> first = folderIdentity(a);
    const std::optional<FolderIdentity> second = folderIdentity(b);
    if (first && second) return first == second;
    // Not both there yet (an FTP source before its download): the same path.
    return normalPath(a) == normalPath(b);
}

}  // namespace

bool destinationIsSourceFolder(const STRProcesosEntorno& env) {
    return env.imagenesSobreescribir == 0 && sameFolder(env.RutaImagenesDestino, sourceRootOf(env));
}

OutputGuard::OutputGuard(const STRProcesosEntorno& env, const SourceImageList& list)
    : list_(list),
      destinationPath_(withTrailingSeparator(env.RutaImagenesDestino)),
      realSourceRoot_(realFolder(sourceRootOf(env))),
      realDestinationRoot_(realFolder(env.RutaImagenesDestino)),
      overwrite_(env.imagenesSobreescribir != 0) {
    sources_.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        sources_.push_back(fileIdentity(sourcePathOf(env, list.entries[i]), true));
        if (sources_.back()) sourceAt_.emplace(std::pair(sources_.back()->device, sources_.back()->inode), i);
    }
}

bool OutputGuard::prepareFolder(OutputPlan& plan, int8_t& cancelado, Frontend& frontend) {
    if (plan.overwrite) {
        const std::string folder = folderOfPath(plan.savePath);
        if (!sourceRoot_.valid() && !realSourceRoot_.empty()) sourceRoot_ = FolderHandle::open(realSourceRoot_);
        const std::optional<std::string>& place = placeBeneath(folder, realSourceRoot_);
        if (!place) return true;
        plan.root = sourceRoot_;
        plan.folderBeneathRoot = *place;
        if (preparedFolders_.insert(folder).second) removeStaleTemporaries(plan.root.beneath(*place, false));
        return true;
    }
    openDestination();
    const std::string& folder = plan.destinationFolder;
    if (!destinationRoot_.valid()) return ensureDestinationFolder(plan, cancelado, frontend);
    // Nothing is made where a link in the destination leads; refusal() skips the entry.
    const std::optional<std::string>& place = placeBeneath(folder, realDestinationRoot_);
    if (!place) return true;
    plan.root = destinationRoot_;
    plan.folderBeneathRoot = *place;
    if (preparedFolders_.count(folder)) return true;
    if (!ensureDestinationFolder(plan, cancelado, frontend)) return false;
    removeStaleTemporaries(plan.root.beneath(*place, false));
    preparedFolders_.insert(folder);
    return true;
}

void OutputGuard::openDestination() {
    if (destinationOpened_) return;
    destinationOpened_ = true;
    // A file where the folder should be leaves the root invalid, so the batch stops
    // with the message instead of failing every save silently.
    destinationRoot_ = openOrCreateFolder(destinationPath_);
    // The destination may only exist from now on.
    realDestinationRoot_ = realFolder(destinationPath_);
}

FolderHandle OutputGuard::resultsRoot() {
    if (!overwrite_) {
        openDestination();
        return destinationRoot_;
    }
    if (!sourceRoot_.valid() && !realSourceRoot_.empty()) sourceRoot_ = FolderHandle::open(realSourceRoot_);
    return sourceRoot_;
}

std::string OutputGuard::listPathOf(size_t index) const { return list_.entries[index].path; }

const std::optional<std::string>& OutputGuard::placeBeneath(const std::string& folder, const std::string& realRoot) {
    auto [it, added] = places_.emplace(realRoot + '\0' + folder, std::nullopt);
    if (!added || realRoot.empty()) return it->second;
    // A folder still to be made is judged by the deepest part that exists: a link
    // there would take the new folders elsewhere.
    const std::string wanted = withTrailingSeparator(folder);
    std::string existing = wanted;
    std::string real;
    while (real.empty() && existing.size() > 1) {
        real = realFolder(existing);
        if (real.empty()) existing = folderOfPath(existing.substr(0, existing.size() - 1));
    }
    if (startsWith(real, realRoot))
        it->second = real.substr(realRoot.size()) + wanted.substr(existing.size());
    return it->second;
}

std::string OutputGuard::refusal(const OutputPlan& plan, size_t index) {
    if (plan.preview) return {};
    if (plan.overwrite) {
        // Only files that really lie in the source folder are replaced; a link may lead
        // anywhere.
        const std::string real = realFolder(plan.savePath);
        if (!real.empty() && !realSourceRoot_.empty() && !startsWith(real, realSourceRoot_))
            return "not overwritten: it lies outside the source folder, at '" + real.substr(0, real.size() - 1) + "'";
    } else if (!placeBeneath(plan.destinationFolder, realDestinationRoot_)) {
        return "not written: its destination folder '" + plan.destinationFolder +
               "' leads outside the destination folder";
    }
    // A link at the save path is replaced itself, so only a regular file there counts.
    const std::optional<FolderIdentity> target = fileIdentity(plan.savePath, false);
    if (!target) return {};
    const auto found = sourceAt_.find(std::pair(target->device, target->inode));
    if (found == sourceAt_.end()) return {};
    if (plan.overwrite && index < sources_.size() && sources_[index] == target) return {};
    return "not written: its output '" + plan.savePath + "' is the source image '" + listPathOf(found->second) + "'";
}

}  // namespace tesselon

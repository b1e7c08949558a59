#include "processing/output/output_guard.h"

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

}  // namespace

bool destinationIsSourceFolder(const STRProcesosEntorno& env) {
    if (env.imagenesSobreescribir != 0) return false;
    const std::optional<FolderIdentity> destination = folderIdentity(env.RutaImagenesDestino);
    return destination && destination == folderIdentity(sourceRootOf(env));
}

OutputGuard::OutputGuard(const STRProcesosEntorno& env, const SourceImageList& list)
    : list_(list),
      realSourceRoot_(realFolder(sourceRootOf(env))),
      realDestinationRoot_(realFolder(env.RutaImagenesDestino)) {
    sources_.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        sources_.push_back(fileIdentity(sourcePathOf(env, list.entries[i]), true));
        if (sources_.back()) sourceAt_.emplace(std::pair(sources_.back()->device, sources_.back()->inode), i);
    }
}

bool OutputGuard::prepareFolder(const OutputPlan& plan, int8_t& cancelado, Frontend& frontend) {
    const std::string folder = plan.overwrite ? folderOfPath(plan.savePath) : plan.destinationFolder;
    if (preparedFolders_.count(folder)) return true;
    // Nothing is made where a link in the destination leads; refusal() skips the entry.
    if (!plan.overwrite && !insideDestination(folder)) return true;
    if (!plan.overwrite && !ensureDestinationFolder(plan, cancelado, frontend)) return false;
    removeStaleTemporaries(folder);
    preparedFolders_.insert(folder);
    return true;
}

std::string OutputGuard::listPathOf(size_t index) const { return list_.entries[index].path; }

bool OutputGuard::insideDestination(const std::string& folder) {
    // The destination may not exist before the batch makes it: then nothing can lead out.
    if (realDestinationRoot_.empty()) return true;
    auto [it, added] = folderInside_.emplace(folder, true);
    if (added) {
        // A folder still to be made is judged by the deepest part that exists: a link
        // there would take the new folders elsewhere.
        std::string existing = withTrailingSeparator(folder);
        std::string real;
        while (real.empty() && existing.size() > 1) {
            real = realFolder(existing);
            if (real.empty()) existing = folderOfPath(existing.substr(0, existing.size() - 1));
        }
        it->second = real.empty() || startsWith(real, realDestinationRoot_) || startsWith(realDestinationRoot_, real);
    }
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
    } else if (!insideDestination(plan.destinationFolder)) {
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

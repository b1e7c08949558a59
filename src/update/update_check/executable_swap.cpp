#include "update/update_check/executable_swap.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

constexpr mode_t kExecuteBits = S_IXUSR | S_IXGRP | S_IXOTH;

// A second name for the old executable where the file system allows it, else a copy.
bool keepOld(const std::string& executablePath, const std::string& keptOldPath) {
    deleteFile(keptOldPath);
    if (::link(executablePath.c_str(), keptOldPath.c_str()) == 0) return true;
    const std::optional<std::string> bytes = readWholeFile(executablePath);
    return bytes && writeFileReplacing(keptOldPath, *bytes);
}

}  // namespace

bool swapExecutable(const std::string& newFile, const std::string& executablePath, const std::string& keptOldPath) {
    struct stat old {}, fresh {};
    if (::stat(executablePath.c_str(), &old) != 0 || ::stat(newFile.c_str(), &fresh) != 0) return false;
    const mode_t mode = (fresh.st_mode & 07777 & ~kExecuteBits) | (old.st_mode & kExecuteBits);
    if (::chmod(newFile.c_str(), mode) != 0) return false;
    if (!keepOld(executablePath, keptOldPath)) return false;
    if (std::rename(newFile.c_str(), executablePath.c_str()) != 0) {
        // The old program never left its place; only the spare name goes.
        deleteFile(keptOldPath);
        return false;
    }
    return true;
}

}  // namespace tesselon

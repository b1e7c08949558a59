#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/file_system.h"

namespace tesselon {

bool isWritableFolder(std::string_view folder) {
    if (fileSize(folder) != kFileIsFolder) return false;
    // Creating a file needs both write and search permission; a read-only mount fails
    // this even for root.
    return ::access(std::string(folder).c_str(), W_OK | X_OK) == 0;
}

bool createPrivateFolder(std::string_view folder) {
    std::string path(folder);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path.front() != '/') return false;
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) == 0) {
            // mkdir applies the umask; a folder we create is exactly owner-only.
            ::chmod(prefix.c_str(), 0700);
        } else if (errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) break;
    }
    return fileSize(path) == kFileIsFolder;
}

bool ensureOwnPrivateFolder(std::string_view folder) {
    const std::string path(folder);
    if (path.empty() || (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)) return false;
    // O_NOFOLLOW: a link planted under a shared name is refused, never followed.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 077) == 0 || ::fchmod(fd.get(), 0700) == 0;
}

}  // namespace tesselon

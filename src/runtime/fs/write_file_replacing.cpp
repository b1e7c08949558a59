#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

// Resolves a link so the file it names is replaced rather than the link itself.
std::string replacementTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

void syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

bool writeFileReplacing(std::string_view path, std::string_view data, WriteSync sync) {
    if (path.empty()) return false;
    const std::string target = replacementTarget(std::string(path));
    struct stat existing {};
    const bool existed = ::stat(target.c_str(), &existing) == 0;
    if (existed && !S_ISREG(existing.st_mode)) return false;

    std::string temporary;
    FileDescriptor fd = createTemporaryBeside(target, existed ? 0600 : 0666, temporary);
    if (!fd.valid()) return false;
    bool ok = true;
    if (existed) {
        // Owner first: changing it clears set-id bits that the mode then restores.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            (void)::fchown(fd.get(), existing.st_uid, existing.st_gid);
        }
        ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd.get(), data.data(), data.size());
    ok = ok && (sync == WriteSync::Deferred || ::fsync(fd.get()) == 0);
    ok = fd.reset() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (sync == WriteSync::Durable) syncFolderOf(target);
    return true;
}

}  // namespace tesselon

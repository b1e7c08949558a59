#include "runtime/fs/folder_handle.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "runtime/fs/create_path.h"

namespace tesselon {

namespace {

// O_PATH: walking needs search permission only, so a folder that may be written but
// not listed can still be reached.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

BeneathProblem problemOf(int error) {
    switch (error) {
    case ENOENT: return BeneathProblem::Missing;
    // ELOOP, ENOTDIR: a link or a file where a folder belongs; EXDEV: resolution would
    // have left the folder.
    case ELOOP:
    case ENOTDIR:
    case EXDEV: return BeneathProblem::NotAFolder;
    default: return BeneathProblem::Failed;
    }
}

// The kernel's own walk that refuses links and escapes, in one call; -1 with errno
// ENOSYS where the kernel (or a sandbox) does not offer it.
int openBeneathAtOnce(int root, const std::string& relative) {
#ifdef SYS_openat2
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return int(::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how));
#else
    (void)root;
    (void)relative;
    errno = ENOSYS;
    return -1;
#endif
}

// One component below `parent`, made first when asked and missing.
int openComponent(int parent, const std::string& name, bool create) {
    int fd = ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (fd >= 0 || errno != ENOENT || !create) return fd;
    // EEXIST: another worker made it meanwhile, or something else now stands there,
    // which the second open tells apart.
    if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
    return ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
}

}  // namespace

std::string describeBeneathProblem(BeneathProblem problem) {
    switch (problem) {
    case BeneathProblem::None: return "it is a folder";
    case BeneathProblem::Missing: return "it is missing";
    case BeneathProblem::NotAFolder: return "a link or something other than a folder stands in its way";
    case BeneathProblem::Invalid: return "its path leaves the folder";
    case BeneathProblem::Failed: break;
    }
    return "it cannot be opened or made";
}

FolderHandle FolderHandle::open(std::string_view path) {
    if (path.empty()) return {};
    const int fd = ::open(std::string(path).c_str(), kFolderFlags);
    return fd >= 0 ? FolderHandle(fd) : FolderHandle();
}

FolderHandle FolderHandle::beneath(std::string_view relative, bool create, BeneathProblem* problem) const {
    BeneathProblem ignored;
    BeneathProblem& why = problem ? *problem : ignored;
    why = BeneathProblem::None;
    if (!valid()) {
        why = BeneathProblem::Failed;
        return {};
    }
    if (!relative.empty() && relative.front() == '/') {
        why = BeneathProblem::Invalid;
        return {};
    }
    std::vector<std::string> parts;
    for (size_t start = 0; start <= relative.size();) {
        size_t end = relative.find('/', start);
        if (end == std::string_view::npos) end = relative.size();
        const std::string_view part = relative.substr(start, end - start);
        if (part == "..") {
            why = BeneathProblem::Invalid;
            return {};
        }
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = end + 1;
    }
    if (parts.empty()) return *this;

    // The usual case, a folder that is there already, costs one call where the kernel
    // can; the component walk below decides everything else.
    std::string joined;
    for (const std::string& part : parts) joined += (joined.empty() ? "" : "/") + part;
    const int direct = openBeneathAtOnce(fd(), joined);
    if (direct >= 0) return FolderHandle(direct);
    if (errno == ELOOP || errno == EXDEV || errno == ENOTDIR) {
        why = BeneathProblem::NotAFolder;
        return {};
    }

    FolderHandle current = *this;
    for (const std::string& part : parts) {
        const int next = openComponent(current.fd(), part, create);
        if (next < 0) {
            why = problemOf(errno);
            return {};
        }
        current = FolderHandle(next);
    }
    return current;
}

FileInFolder fileAt(std::string_view path) {
    FileInFolder file;
    const size_t slash = path.rfind('/');
    file.name = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (file.name.empty() || file.name == "." || file.name == "..") return file;
    if (slash == std::string_view::npos) file.folder = FolderHandle::open(".");
    else file.folder = FolderHandle::open(slash == 0 ? std::string_view("/") : path.substr(0, slash));
    return file;
}

FolderHandle openOrCreateFolder(std::string_view path) {
    // A file where a folder should be fails the open below.
    createPath(path);
    return FolderHandle::open(path);
}

}  // namespace tesselon

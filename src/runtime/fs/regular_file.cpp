#include "runtime/fs/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/folder_handle.h"

namespace tesselon {

std::string describeOpenProblem(OpenProblem problem, uint64_t maxBytes) {
    switch (problem) {
    case OpenProblem::None: return "readable";
    case OpenProblem::Missing: return "no such file";
    case OpenProblem::NotRegular: return "not a regular file";
    case OpenProblem::TooLarge: return "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    case OpenProblem::Unreadable: break;
    }
    return "cannot be read";
}

namespace {

// `path` relative to `folder` (AT_FDCWD for the current one); `extraFlags` adds
// O_NOFOLLOW where a link must not be taken for the file.
OpenedFile openRegularAt(int folder, const std::string& path, int extraFlags, uint64_t maxBytes) {
    OpenedFile opened;
    if (path.empty()) {
        opened.problem = OpenProblem::Missing;
        return opened;
    }
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
    FileDescriptor fd(::openat(folder, path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | extraFlags));
    if (!fd.valid()) {
        opened.problem = errno == ENOENT ? OpenProblem::Missing
                         : errno == ENXIO || errno == EISDIR || (errno == ELOOP && (extraFlags & O_NOFOLLOW))
                             ? OpenProblem::NotRegular
                             : OpenProblem::Unreadable;
        return opened;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        opened.problem = OpenProblem::Unreadable;
        return opened;
    }
    if (!S_ISREG(info.st_mode)) {
        opened.problem = OpenProblem::NotRegular;
        return opened;
    }
    if (info.st_size < 0 || uint64_t(info.st_size) > maxBytes) {
        opened.problem = OpenProblem::TooLarge;
        return opened;
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        opened.problem = OpenProblem::Unreadable;
        return opened;
    }
    opened.file = RegularFile{std::move(fd), uint64_t(info.st_size),
                              int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    return opened;
}

}  // namespace

OpenedFile openRegularFile(std::string_view path, uint64_t maxBytes) {
    return openRegularAt(AT_FDCWD, std::string(path), 0, maxBytes);
}

OpenedFile openRegularFile(const FolderHandle& folder, const std::string& name, uint64_t maxBytes) {
    if (!folder.valid() || name.find('/') != std::string::npos) return OpenedFile{std::nullopt, OpenProblem::Unreadable};
    return openRegularAt(folder.fd(), name, O_NOFOLLOW, maxBytes);
}

std::optional<std::string> readOpenedFile(RegularFile& file, uint64_t maxBytes) {
    std::string data;
    if (!readOpenedFile(file, maxBytes, data)) return std::nullopt;
    return data;
}

bool readOpenedFile(RegularFile& file, uint64_t maxBytes, std::string& data) {
    // One byte more than expected tells a file that grew since it was opened.
    data.resize(size_t(std::min(file.size, maxBytes)) + 1);
    size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > maxBytes) break;
            data.resize(size_t(std::min<uint64_t>(used + 65536, maxBytes + 1)));
        }
        const ssize_t got = ::read(file.fd.get(), data.data() + used, data.size() - used);
        if (got < 0 && errno == EINTR) continue;
        // An error part-way must not pass for the whole file.
        if (got < 0) break;
        if (got == 0) {
            data.resize(used);
            return true;
        }
        used += size_t(got);
    }
    data.clear();
    return false;
}

}  // namespace tesselon

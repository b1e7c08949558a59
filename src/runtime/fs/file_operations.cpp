#include "runtime/fs/file_system.h"

#include <climits>
#include <cstdio>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesselon {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

int64_t fileSize(std::string_view path) {
    if (path.empty()) return kFileMissing;
    size_t length = path.size();
    while (length > 0 && isSeparator(path[length - 1])) --length;
    // A path made only of separators names the root.
    const std::string trimmed = length == 0 ? std::string("/") : std::string(path.substr(0, length));
    struct stat info {};
    if (::stat(trimmed.c_str(), &info) != 0) return kFileMissing;
    if (S_ISDIR(info.st_mode)) return kFileIsFolder;
    return static_cast<int64_t>(info.st_size);
}

bool createDirectory(std::string_view path) {
    size_t length = path.size();
    while (length > 0 && (isSeparator(path[length - 1]) || path[length - 1] == ' ')) --length;
    if (length == 0) return false;
    return ::mkdir(std::string(path.substr(0, length)).c_str(), 0777) == 0;
}

bool deleteFile(std::string_view path, int flags) {
    const std::string target(path);
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    if ((flags & kDeleteForce) && S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)) {
        ::chmod(target.c_str(), (info.st_mode & 07777) | S_IWUSR);
    }
    return ::unlink(target.c_str()) == 0;
}

std::string realPath(std::string_view path) {
    if (path.empty()) return {};
    char resolved[PATH_MAX];
    return ::realpath(std::string(path).c_str(), resolved) ? std::string(resolved) : std::string();
}

bool renameFile(std::string_view from, std::string_view to) {
    if (from.empty() || to.empty()) return false;
    return std::rename(std::string(from).c_str(), std::string(to).c_str()) == 0;
}

}  // namespace tesselon

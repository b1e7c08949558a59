#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

std::optional<std::string> readWholeFile(std::string_view path) {
    std::string data;
    if (!readWholeFile(path, data)) return std::nullopt;
    return data;
}

bool readWholeFile(std::string_view path, std::string& data) {
    data.clear();
    FileDescriptor fd(::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    // The size is only a hint: files under /proc report 0 and others may grow meanwhile.
    data.resize(info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : 4096);
    size_t used = 0;
    for (;;) {
        if (used == data.size()) data.resize(data.size() + 65536);
        const ssize_t got = ::read(fd.get(), data.data() + used, data.size() - used);
        if (got < 0 && errno == EINTR) continue;
        // An error part-way must not pass for the whole file.
        if (got < 0) {
            data.clear();
            return false;
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
    }
    data.resize(used);
    return true;
}

}  // namespace tesselon

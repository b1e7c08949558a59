#include "runtime/fs/create_path.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace tesselon {

namespace {

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool createPath(std::string_view folder) {
    std::string prefix = !folder.empty() && folder.front() == '/' ? "/" : "";
    size_t start = 0;
    while (start < folder.size()) {
        size_t end = folder.find('/', start);
        if (end == std::string_view::npos) end = folder.size();
        if (end > start) {
            if (!prefix.empty() && prefix.back() != '/') prefix += '/';
            prefix.append(folder.substr(start, end - start));
            if (!isFolder(prefix)) {
                // EEXIST with a folder there now means a parallel worker made it first.
                if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && isFolder(prefix))) return false;
            }
        }
        start = end + 1;
    }
    return true;
}

}  // namespace tesselon

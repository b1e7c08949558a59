#include "runtime/fs/private_folder.h"

#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>

#include "runtime/fs/file_system.h"

namespace tesselon {

PrivateFolder::PrivateFolder() : PrivateFolder(temporaryFolder(), "tesselon-") {}

PrivateFolder::PrivateFolder(const std::string& parent, std::string_view prefix) {
    std::string pattern = parent + std::string(prefix) + "XXXXXX";
    // mkdtemp makes the folder with mode 0700.
    if (::mkdtemp(pattern.data())) path_ = pattern + "/";
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

FileDescriptor createNewFile(const std::string& path, unsigned mode) {
    return FileDescriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
}

}  // namespace tesselon

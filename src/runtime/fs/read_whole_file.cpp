#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {

std::optional<std::string> readWholeFile(std::string_view path, uint64_t maxBytes) {
    OpenedFile opened = openRegularFile(path, maxBytes);
    if (!opened.file) return std::nullopt;
    return readOpenedFile(*opened.file, maxBytes);
}

}  // namespace tesselon

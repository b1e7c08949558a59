#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {

std::optional<std::string> readWholeFile(std::string_view path, uint64_t maxBytes) {
    std::string data;
    if (!readWholeFile(path, data, maxBytes)) return std::nullopt;
    return data;
}

bool readWholeFile(std::string_view path, std::string& data, uint64_t maxBytes) {
    data.clear();
    OpenedFile opened = openRegularFile(path, maxBytes);
    return opened.file && readOpenedFile(*opened.file, maxBytes, data);
}

}  // namespace tesselon

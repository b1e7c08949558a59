// Opening files that are read whole: only regular files, never blocking, never larger
// than the caller's cap. A FIFO or a device named like an image, a phrases file or a
// settings file would otherwise hang the program or be read until memory runs out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {
class FolderHandle;
}

namespace tesselon {

// Caps on what is read into memory: images, and text files (phrases, settings).
constexpr uint64_t kMaxImageFileBytes = uint64_t(1) << 30;
constexpr uint64_t kMaxTextFileBytes = uint64_t(64) << 20;

enum class OpenProblem {
    None,
    Missing,     // no such file (or a link that leads nowhere)
    NotRegular,  // a folder, FIFO, socket or device
    TooLarge,    // larger than the cap
    Unreadable,  // no permission, a path too long, an I/O error
};

// One line of English for messages: "not a regular file", "larger than 1024 MiB", ...
std::string describeOpenProblem(OpenProblem problem, uint64_t maxBytes);

struct RegularFile {
    FileDescriptor fd;  // blocking reads; positioned at the start
    uint64_t size = 0;  // when opened
    int64_t modifiedNs = 0;  // modification time when opened, in nanoseconds since 1970
};

struct OpenedFile {
    std::optional<RegularFile> file;
    OpenProblem problem = OpenProblem::None;
};

// Opens `path` (following links) for reading. The open itself cannot block on a FIFO or
// a device, and anything that is not a regular file of at most `maxBytes` is refused.
OpenedFile openRegularFile(std::string_view path, uint64_t maxBytes);
// The same for the file `name` of an open folder, where a link is refused like any
// other file that is not a regular one.
OpenedFile openRegularFile(const FolderHandle& folder, const std::string& name, uint64_t maxBytes);

// The whole content of an opened file, at most `maxBytes`: a file that grew past the
// cap meanwhile, or a read error, gives nothing.
std::optional<std::string> readOpenedFile(RegularFile& file, uint64_t maxBytes);
// The same into `data`, whose memory serves again; false, with `data` emptied, where
// the other gives nothing.
bool readOpenedFile(RegularFile& file, uint64_t maxBytes, std::string& data);

}  // namespace tesselon

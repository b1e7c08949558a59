// What a remote listing (FTP or SFTP) may name: a name that stands for one file or
// folder inside the folder listed, and a path that stays below whatever local folder it
// is put under. Servers are not trusted to send only such names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tesselon {

// A remote path longer than this many bytes is not taken: no local file system holds a
// longer one, and a server must not make a scan hold paths of any length.
inline constexpr size_t kMaxListedPathBytes = 4096;
// The path text one scan may list in all. Every entry listed costs the bytes of its full
// path, kept or not, so what a scan holds of names is bounded in bytes as well as in
// entries: 64 MiB, a million paths of 64 bytes.
inline constexpr uint64_t kMaxScanPathBytes = uint64_t(64) << 20;

enum class ListedNameProblem {
    None,
    Absolute,          // starts with "/" or "\"
    ClimbsOut,         // ".", "..", empty, or a ".." component
    Separator,         // holds "/" or "\"
    ControlCharacter,  // holds a byte below 0x20 (NUL, tab, escape ...) or DEL
    PathTooLong,       // in its folder, a path longer than kMaxListedPathBytes
};

// The first problem of a listed name, in the order above (never PathTooLong).
ListedNameProblem listedNameProblem(std::string_view name);
// The same for the name listed in `folder` (an absolute path), PathTooLong included.
ListedNameProblem listedNameProblem(std::string_view folder, std::string_view name);
// The length of the path `name` makes in `folder`: "/" + name at the top.
size_t listedPathLength(std::string_view folder, std::string_view name);

// An absolute "/"-separated path without control characters, "\" or "." and ".."
// components: a folder (or file) a server named that can stand below a local folder.
bool isSafeListedPath(std::string_view path);

}  // namespace tesselon

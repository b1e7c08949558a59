// What a remote listing (FTP or SFTP) may name: a name that stands for one file or
// folder inside the folder listed, and a path that stays below whatever local folder it
// is put under. Servers are not trusted to send only such names.
#pragma once

#include <string_view>

namespace tesselon {

enum class ListedNameProblem {
    None,
    Absolute,          // starts with "/" or "\"
    ClimbsOut,         // ".", "..", empty, or a ".." component
    Separator,         // holds "/" or "\"
    ControlCharacter,  // holds a byte below 0x20 (NUL, tab, escape ...) or DEL
};

// The first problem of a listed name, in the order above.
ListedNameProblem listedNameProblem(std::string_view name);

// An absolute "/"-separated path without control characters, "\" or "." and ".."
// components: a folder (or file) a server named that can stand below a local folder.
bool isSafeListedPath(std::string_view path);

}  // namespace tesselon

// What the program accepts of the names and paths an FTP server sends, before they
// become local file names, and how it shows them.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Why a listing name cannot stand for one file or folder below the current folder.
enum class RemoteNameProblem {
    None,
    Absolute,          // starts with "/" or "\"
    ClimbsOut,         // "..", or a ".." component
    Separator,         // holds "/" or "\"
    ControlCharacter,  // holds a byte below 0x20 (NUL, tab, escape ...) or DEL
};

// The first problem of a listing name, in the order above; "." and the empty name
// count as climbing out of nothing: ClimbsOut too.
RemoteNameProblem remoteNameProblem(std::string_view name);

// A listing name that can stand for one file or folder below the current folder.
inline bool isSafeRemoteName(std::string_view name) { return remoteNameProblem(name) == RemoteNameProblem::None; }

// A remote path without control characters, "\" or a ".." component, so that it stays
// below whatever local folder it is put under.
bool isSafeRemotePath(std::string_view path);

// The name as UTF-8 text for the user: bytes that are not UTF-8 become U+FFFD.
std::string displayName(std::string_view bytes);

}  // namespace tesselon

// What the program accepts of the names and paths an FTP server sends, before they
// become local file names, and how it shows them.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// A listing name that can stand for one file or folder below the current folder:
// not empty, not "." or "..", and without "/", "\" or NUL.
bool isSafeRemoteName(std::string_view name);

// A remote path without NUL, "\" or a ".." component, so that it stays below whatever
// local folder it is put under.
bool isSafeRemotePath(std::string_view path);

// The name as UTF-8 text for the user: bytes that are not UTF-8 become U+FFFD.
std::string displayName(std::string_view bytes);

}  // namespace tesselon

// Querying, creating, renaming and deleting files and folders, and the well-known folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

constexpr int64_t kFileMissing = -1;
constexpr int64_t kFileIsFolder = -2;

// Size in bytes; -1 when the path does not exist (or is empty), -2 when it is a folder
// (a link to a folder counts as the folder). Trailing "/" and "\" are ignored.
int64_t fileSize(std::string_view path);

// Creates the last level of the path (trailing spaces and separators removed first);
// false when it already exists or its parent is missing.
bool createDirectory(std::string_view path);

enum DeleteFlags { kDeleteForce = 2 };  // make a read-only file writable first
// Deletes a file (or a link, never what it points to); folders are refused.
bool deleteFile(std::string_view path, int flags = 0);

// Renames or moves within one file system; an existing file at `to` is replaced.
bool renameFile(std::string_view from, std::string_view to);

// $TMPDIR (else /tmp), $HOME (else the account's home), and the folder of the
// running executable, each ending in "/".
std::string temporaryFolder();
std::string userFolder();
std::string executableFolder();

// Reads a whole file into memory; nothing when it cannot be opened or read completely.
std::optional<std::string> readWholeFile(std::string_view path);
// The same into `data`, whose memory serves again (a batch reads one file after another);
// false, with `data` emptied, where the other gives nothing.
bool readWholeFile(std::string_view path, std::string& data);

// Whether writeFileReplacing waits for the data to reach the disk.
enum class WriteSync {
    Durable,   // the file and its folder are flushed before the call returns
    Deferred,  // the kernel writes back in its own time; for fresh files that can be
               // made again, where a flush per file would dominate a batch's time
};

// Writes `data` to a new file beside `path` and renames it over `path` only when every
// byte was written, so a failure leaves any existing file untouched. An existing
// file keeps its permissions (and, where allowed, its owner); a link is followed so
// the file it names is replaced, not the link. With WriteSync::Durable the data is on
// the disk before the rename.
bool writeFileReplacing(std::string_view path, std::string_view data, WriteSync sync = WriteSync::Durable);

}  // namespace tesselon

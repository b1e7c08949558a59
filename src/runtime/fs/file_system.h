// Querying, creating, renaming and deleting files and folders, and the well-known folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/folder_handle.h"

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

// The absolute path with every link and "." or ".." resolved; empty when it does not
// exist (or cannot be resolved).
std::string realPath(std::string_view path);

// Renames or moves within one file system; an existing file at `to` is replaced.
bool renameFile(std::string_view from, std::string_view to);

// The temporary folder: $TMPDIR when set; else /tmp/tesselon-<uid>, made with mode 0700
// and used only while it is a folder of this user's own (not a link) that no one else
// may enter; else tesselon-tmp in the user's cache folder. Ending in "/".
std::string temporaryFolder();
// $HOME (else the account's home), and the folder of the running executable, each
// ending in "/".
std::string userFolder();
std::string executableFolder();
// The user's configuration folder: $XDG_CONFIG_HOME when it holds an absolute path,
// else the home folder's .config/; ending in "/".
std::string userConfigFolder();
// The running executable's full path; empty when it cannot be read.
std::string executablePath();

// Whether this process may create files in the folder (false when it does not exist).
bool isWritableFolder(std::string_view folder);
// Creates an absolute folder and any missing parents, each new one with mode 0700
// whatever the umask; existing folders keep their mode. True when the folder exists
// at the end.
bool createPrivateFolder(std::string_view folder);
// Whether `folder` is a folder of this user's own, not a link, that no one else may
// enter. A missing one is made with mode 0700 first; one of the user's own that others
// may enter is narrowed to 0700. For a fixed name under a folder that every user may
// write, where someone else may have taken the name first.
bool ensureOwnPrivateFolder(std::string_view folder);

// Reads a whole regular file into memory; nothing when it is not a regular file, is
// larger than `maxBytes`, or cannot be opened or read completely.
std::optional<std::string> readWholeFile(std::string_view path, uint64_t maxBytes = uint64_t(1) << 30);
// The same into `data`, whose memory serves again (a batch reads one file after another);
// false, with `data` emptied, where the other gives nothing.
bool readWholeFile(std::string_view path, std::string& data, uint64_t maxBytes = uint64_t(1) << 30);

// Whether writeFileReplacing waits for the data to reach the disk.
enum class WriteSync {
    Durable,   // the file and its folder are flushed before the call returns
    Deferred,  // the kernel writes back in its own time; for fresh files that can be
               // made again, where a flush per file would dominate a batch's time
    WhenReplacing,  // Durable when a file (or a link) stands at the name, else Deferred
};

// Writes `data` to a new file beside `path` and renames it over `path` only when every
// byte was written, so a failure leaves any existing file untouched. An existing
// file keeps its permissions (and, where allowed, its owner). A link at `path` is
// replaced by the new file, and the file it names stays as it was. A folder or a
// special file at `path` is refused. With WriteSync::Durable the data is on the disk
// before the rename, and the rename is on the disk before the call returns.
bool writeFileReplacing(std::string_view path, std::string_view data, WriteSync sync = WriteSync::Durable);
// The same for the file `name` (no "/" in it) of an open folder: nothing written can
// land anywhere else, whatever happens to the folder's path meanwhile.
bool writeFileReplacing(const FolderHandle& folder, const std::string& name, std::string_view data,
                        WriteSync sync = WriteSync::Durable);

// Deletes the temporaries that writeFileReplacing left in `folder` when its process was
// killed between writing and renaming. A temporary whose writer is still at work is
// kept. Returns how many were deleted.
int removeStaleTemporaries(std::string_view folder);
int removeStaleTemporaries(const FolderHandle& folder);

}  // namespace tesselon

// A file written piece by piece under a temporary name beside its target and renamed
// over the target only once complete, so a failed or abandoned write never leaves a
// truncated file under the real name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

// Creates a fresh file in `folder` beside the file `name` (".name.RANDOM.tmp", so the
// rename stays within one file system) with `mode`; its name goes to `temporaryName`.
// The file is locked (flock) while its descriptor is open.
FileDescriptor createTemporaryBeside(const FolderHandle& folder, const std::string& name, mode_t mode,
                                     std::string& temporaryName);
// The same beside the file at the path `target`; the temporary's path goes to
// `temporaryPath`.
FileDescriptor createTemporaryBeside(const std::string& target, mode_t mode, std::string& temporaryPath);

// Whether a name is one createTemporaryBeside gives (".NAME.<16 hex>.tmp").
bool isReplacementTemporaryName(std::string_view name);

class FileReplacement {
public:
    // Opens the temporary; ok() tells whether that worked. The folder of `target` is
    // opened once here: the file lands in that folder even if its path changes meanwhile.
    explicit FileReplacement(std::string_view target);
    explicit FileReplacement(FileInFolder target);
    ~FileReplacement();  // removes the temporary unless commit() succeeded
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool ok() const { return fd_.valid(); }
    bool write(const void* data, size_t length);
    // Closes the temporary and renames it over the target (replacing an existing
    // file); false, with the temporary removed, when any write, the close or the
    // rename failed.
    bool commit();
    // Drops the temporary without touching the target.
    void discard();

private:
    void open();

    FolderHandle folder_;
    std::string target_;     // a name in folder_
    std::string temporary_;  // a name in folder_
    FileDescriptor fd_;
    bool failed_ = false;
};

}  // namespace tesselon

// Folders held open by descriptor, and the folders beneath them reached without
// following a link. Whatever is written relative to such a folder stays in it: a
// subfolder swapped for a link after the walk began makes the walk fail instead of
// leading the write elsewhere.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

enum class BeneathProblem {
    None,
    Missing,  // a component does not exist (and was not to be made)
    NotAFolder,  // a component is a link, a file or anything but a plain folder
    Invalid,  // an absolute path or a ".." component
    Failed,   // no permission, no space, an I/O error
};

// English, for messages: "it is missing", ...
std::string describeBeneathProblem(BeneathProblem problem);

// An open folder. Copies share the one descriptor, which closes with the last of them.
class FolderHandle {
public:
    FolderHandle() = default;

    // The folder at `path`. Links along the path itself are followed: it is the folder
    // the user named. Invalid when that is not a folder or cannot be opened.
    static FolderHandle open(std::string_view path);

    bool valid() const { return fd_ != nullptr; }
    // The descriptor, for the *at calls; -1 when not valid. It may be an O_PATH one:
    // good for walking, creating and renaming, not for reading the folder.
    int fd() const { return fd_ ? fd_->get() : -1; }

    // The folder `relative` beneath this one ("a/b"; "" or "." is this folder itself).
    // Every component must be a plain folder: a link there, even one that leads back
    // inside, ends the walk. Missing components are made when `create` is set (as
    // mkdir would, subject to the umask); one that another process makes meanwhile
    // counts as made. On failure the handle is not valid and `problem` says why.
    FolderHandle beneath(std::string_view relative, bool create, BeneathProblem* problem = nullptr) const;

private:
    explicit FolderHandle(int fd) : fd_(std::make_shared<FileDescriptor>(fd)) {}
    std::shared_ptr<const FileDescriptor> fd_;
};

// A file named in an open folder: where a write goes, whatever becomes of the folder's
// path meanwhile.
struct FileInFolder {
    FolderHandle folder;
    std::string name;  // no "/" in it
};

// The file at `path`, its folder opened now as FolderHandle::open does; an invalid
// folder for a path that ends in a separator, "." or "..".
FileInFolder fileAt(std::string_view path);

// The folder at `path`, made with its missing parents first, then opened as
// FolderHandle::open does: a folder the user named, such as a destination.
FolderHandle openOrCreateFolder(std::string_view path);

}  // namespace tesselon

#include "runtime/fs/directory_listing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/folder_handle.h"

namespace tesselon {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Reads the folder that `opened` holds (and closes it) into `entries`, sorted; the error
// number when it is null, else 0.
int readListing(DIR* opened, std::string_view pattern, std::vector<DirectoryEntry>& entries) {
    std::unique_ptr<DIR, DirCloser> dir(opened);
    if (!dir) return errno ? errno : ENOENT;
    const int dirFd = ::dirfd(dir.get());
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string_view name = item->d_name;
        if (!wildcardMatch(pattern, name)) continue;
        struct stat info {};
        if (::fstatat(dirFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const bool link = S_ISLNK(info.st_mode);
        if (link && ::fstatat(dirFd, item->d_name, &info, 0) != 0) continue;
        DirectoryEntry entry;
        entry.link = link;
        entry.name = std::string(name);
        entry.type = S_ISDIR(info.st_mode) ? kEntryFolder : kEntryFile;
        entry.size = entry.type == kEntryFolder ? 0 : static_cast<int64_t>(info.st_size);
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return 0;
}

}  // namespace

DirectoryListing::DirectoryListing(std::string_view folder, std::string_view pattern) {
    error_ = folder.empty() ? ENOENT : readListing(::opendir(std::string(folder).c_str()), pattern, entries_);
    ok_ = error_ == 0;
}

DirectoryListing::DirectoryListing(const FolderHandle& folder, std::string_view pattern) {
    // The handle may only serve for walking: the folder is opened again for reading.
    const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (fd >= 0 && !dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    error_ = readListing(dir, pattern, entries_);
    ok_ = error_ == 0;
}

bool DirectoryListing::next() {
    if (started_) {
        if (index_ < entries_.size()) ++index_;
    } else {
        started_ = true;
    }
    return index_ < entries_.size();
}

const DirectoryEntry& DirectoryListing::entry() const {
    static const DirectoryEntry kNone{};
    return started_ && index_ < entries_.size() ? entries_[index_] : kNone;
}

}  // namespace tesselon

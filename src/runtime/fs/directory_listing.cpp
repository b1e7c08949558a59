#include "runtime/fs/directory_listing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace tesselon {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

DirectoryListing::DirectoryListing(std::string_view folder, std::string_view pattern) {
    if (folder.empty()) {
        error_ = ENOENT;
        return;
    }
    std::unique_ptr<DIR, DirCloser> dir(::opendir(std::string(folder).c_str()));
    if (!dir) {
        error_ = errno;
        return;
    }
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
        entries_.push_back(std::move(entry));
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    ok_ = true;
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

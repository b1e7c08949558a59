#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "runtime/fs/directory_listing.h"
#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

namespace {

// A temporary this young may still be waiting for its writer's lock.
constexpr time_t kStaleAfterSeconds = 2;

void syncFolder(const FolderHandle& folder) {
    // The handle may be an O_PATH one, which fsync does not take.
    FileDescriptor fd(::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

bool writeFileReplacing(std::string_view path, std::string_view data, WriteSync sync) {
    const FileInFolder file = fileAt(path);
    return file.folder.valid() && writeFileReplacing(file.folder, file.name, data, sync);
}

bool writeFileReplacing(const FolderHandle& folder, const std::string& name, std::string_view data, WriteSync sync) {
    if (!folder.valid() || name.empty() || name.find('/') != std::string::npos) return false;
    // A link at the name is replaced itself: following it would let a link planted in
    // a destination folder redirect the write to any file of the user's.
    struct stat existing {};
    const bool present = ::fstatat(folder.fd(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (present && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) return false;
    const bool existed = present && S_ISREG(existing.st_mode);
    const bool durable = sync == WriteSync::Durable || (sync == WriteSync::WhenReplacing && present);

    std::string temporary;
    FileDescriptor fd = createTemporaryBeside(folder, name, existed ? 0600 : 0666, temporary);
    if (!fd.valid()) return false;
    bool ok = true;
    if (existed) {
        // Owner first: changing it clears set-id bits that the mode then restores.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            (void)::fchown(fd.get(), existing.st_uid, existing.st_gid);
        }
        ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd.get(), data.data(), data.size());
    ok = ok && (!durable || ::fsync(fd.get()) == 0);
    ok = fd.reset() && ok;
    ok = ok && ::renameat(folder.fd(), temporary.c_str(), folder.fd(), name.c_str()) == 0;
    if (!ok) {
        ::unlinkat(folder.fd(), temporary.c_str(), 0);
        return false;
    }
    if (durable) syncFolder(folder);
    return true;
}

int removeStaleTemporaries(std::string_view folder) { return removeStaleTemporaries(FolderHandle::open(folder)); }

int removeStaleTemporaries(const FolderHandle& folder) {
    DirectoryListing listing(folder, "*.tmp");
    int removed = 0;
    const time_t now = ::time(nullptr);
    while (listing.next()) {
        const DirectoryEntry& entry = listing.entry();
        if (!isReplacementTemporaryName(entry.name)) continue;
        const char* name = entry.name.c_str();
        struct stat info {};
        if (::fstatat(folder.fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
        if (now - info.st_mtime < kStaleAfterSeconds) continue;
        FileDescriptor fd(::openat(folder.fd(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // A writer still holds its lock on a live temporary.
        if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        if (::unlinkat(folder.fd(), name, 0) == 0) ++removed;
    }
    return removed;
}

}  // namespace tesselon

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "runtime/fs/directory_listing.h"
#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"

namespace tesselon {

namespace {

// A temporary this young may still be waiting for its writer's lock.
constexpr time_t kStaleAfterSeconds = 2;

void syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

bool writeFileReplacing(std::string_view path, std::string_view data, WriteSync sync) {
    if (path.empty()) return false;
    // A link at the path is replaced itself: following it would let a link planted in
    // a destination folder redirect the write to any file of the user's.
    const std::string target(path);
    struct stat existing {};
    const bool present = ::lstat(target.c_str(), &existing) == 0;
    if (present && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) return false;
    const bool existed = present && S_ISREG(existing.st_mode);

    std::string temporary;
    FileDescriptor fd = createTemporaryBeside(target, existed ? 0600 : 0666, temporary);
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
    ok = ok && (sync == WriteSync::Deferred || ::fsync(fd.get()) == 0);
    ok = fd.reset() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (sync == WriteSync::Durable) syncFolderOf(target);
    return true;
}

int removeStaleTemporaries(std::string_view folder) {
    const std::string base = withTrailingSeparator(folder);
    DirectoryListing listing(base, "*.tmp");
    int removed = 0;
    const time_t now = ::time(nullptr);
    while (listing.next()) {
        const DirectoryEntry& entry = listing.entry();
        if (!isReplacementTemporaryName(entry.name)) continue;
        const std::string path = base + entry.name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (now - info.st_mtime < kStaleAfterSeconds) continue;
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // A writer still holds its lock on a live temporary.
        if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace tesselon

#include "update/update_check/staged_update.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/fs/directory_listing.h"
#include "update/update_check/executable_swap.h"

namespace tesselon {

namespace {

constexpr const char* kFolderPrefix = ".tesselon-update-";

// The folder open and locked; invalid when it is not a real folder or someone holds it.
FileDescriptor lockFolder(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return {};
    return fd;
}

std::string stagedName(size_t index) { return "file." + std::to_string(index); }
// What a placed file replaced, kept until the update is through.
std::string keptName(size_t index) { return "kept." + std::to_string(index); }

// Whether the file is on the disk, and not something else under its name.
bool flushed(int folder, const std::string& name) {
    FileDescriptor fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    return fd.valid() && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && ::fsync(fd.get()) == 0;
}

}  // namespace

StagedUpdate::StagedUpdate(std::string programFolder)
    : programFolder_(std::move(programFolder)),
      folder_(programFolder_, kFolderPrefix),
      lock_(folder_.valid() ? lockFolder(folder_.path()) : FileDescriptor()) {}

std::string StagedUpdate::downloadPath(size_t index) const { return folder_.file(stagedName(index)); }

bool StagedUpdate::install(const VersionFile& version, const std::string& executablePath,
                           const std::string& keptOldPath) {
    const size_t count = version.lines.size();
    if (!valid() || count == 0) return false;
    const int staging = lock_.get();
    for (size_t i = 0; i < count; ++i)
        if (!flushed(staging, stagedName(i))) return false;

    // Moves line i's file in, the file it replaces kept aside with a second name.
    const auto place = [&](size_t i) {
        const UpdateFileLine& line = version.lines[i];
        const FileDescriptor folder = openLineFolder(programFolder_, line);
        if (!folder.valid()) return false;
        const std::string staged = stagedName(i), kept = keptName(i);
        struct stat old {};
        if (::fstatat(folder.get(), line.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
            // A program replaced by a non-executable file would no longer start.
            if (!S_ISREG(old.st_mode) || ::fchmodat(staging, staged.c_str(), old.st_mode & 07777, 0) != 0 ||
                ::linkat(folder.get(), line.name.c_str(), staging, kept.c_str(), 0) != 0)
                return false;
        } else if (errno != ENOENT) {
            return false;
        }
        if (::renameat(staging, staged.c_str(), folder.get(), line.name.c_str()) == 0) return true;
        ::unlinkat(staging, kept.c_str(), 0);
        return false;
    };
    // Puts back what line i's file replaced, or removes it where nothing stood.
    const auto putBack = [&](size_t i) {
        const UpdateFileLine& line = version.lines[i];
        const FileDescriptor folder = openLineFolder(programFolder_, line);
        if (!folder.valid()) return;
        const std::string kept = keptName(i);
        struct stat info {};
        if (::fstatat(staging, kept.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            ::renameat(staging, kept.c_str(), folder.get(), line.name.c_str());
        else
            ::unlinkat(folder.get(), line.name.c_str(), 0);
    };

    size_t placed = 1;
    bool ok = true;
    for (; ok && placed < count; ++placed) ok = place(placed);
    if (ok) ok = swapExecutable(downloadPath(0), executablePath, keptOldPath);
    if (ok) return true;
    // Later lines first: two lines for one file give back the oldest one last.
    for (size_t i = placed; i-- > 1;) putBack(i);
    return false;
}

FileDescriptor openLineFolder(const std::string& programFolder, const UpdateFileLine& line) {
    if (!localPathFor(programFolder, line)) return {};
    FileDescriptor folder(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string subfolder = line.subfolder;
    std::replace(subfolder.begin(), subfolder.end(), '\\', '/');
    for (size_t start = 0; folder.valid() && start < subfolder.size();) {
        size_t end = subfolder.find('/', start);
        if (end == std::string::npos) end = subfolder.size();
        if (end > start) {
            const std::string part = subfolder.substr(start, end - start);
            folder = FileDescriptor(::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        start = end + 1;
    }
    return folder;
}

void removeAbandonedStaging(const std::string& programFolder) {
    DirectoryListing listing(programFolder, std::string(kFolderPrefix) + "*");
    while (listing.next()) {
        const DirectoryEntry& entry = listing.entry();
        if (entry.type != kEntryFolder || entry.link) continue;
        const std::string path = programFolder + entry.name;
        // A running update holds its folder's lock.
        const FileDescriptor held = lockFolder(path);
        if (!held.valid()) continue;
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

}  // namespace tesselon

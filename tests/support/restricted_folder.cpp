#include "support/restricted_folder.h"

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesselon::testing {

namespace {

constexpr rlim_t kFileSizeLimit = 8192;

// Whether a new file can still be created in `folder` (root ignores permissions).
bool canCreateIn(const std::string& folder) {
    const std::string probe = folder + "/.probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace

RestrictedFolder::RestrictedFolder(std::string folder, Kind kind) : folder_(std::move(folder)), kind_(kind) {
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
    ::mkdir(folder_.c_str(), 0755);
    mounted_ = ::mount("tesselon-test", folder_.c_str(), "tmpfs", 0, "size=16k,mode=0755") == 0;
}

RestrictedFolder::~RestrictedFolder() {
    if (limited_) {
        ::setrlimit(RLIMIT_FSIZE, &savedLimit_);
        std::signal(SIGXFSZ, savedHandler_);
    }
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    ::chmod(folder_.c_str(), 0755);
}

bool RestrictedFolder::engage() {
    if (kind_ == Kind::ReadOnly) {
        if (mounted_) {
            return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=16k") == 0;
        }
        ::chmod(folder_.c_str(), 0555);
        return !canCreateIn(folder_);
    }
    if (mounted_) return true;
    // Beyond RLIMIT_FSIZE a write fails with EFBIG once SIGXFSZ no longer kills us.
    if (::getrlimit(RLIMIT_FSIZE, &savedLimit_) != 0) return false;
    rlimit limit = savedLimit_;
    limit.rlim_cur = kFileSizeLimit;
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!limited_) std::signal(SIGXFSZ, savedHandler_);
    return limited_;
}

}  // namespace tesselon::testing

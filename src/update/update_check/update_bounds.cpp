#include "update/update_check/update_bounds.h"

#include <algorithm>
#include <sys/statvfs.h>

namespace tesselon {

int64_t updateFileAllowance(const std::string& folder) {
    struct statvfs space {};
    if (::statvfs(folder.c_str(), &space) != 0) return 0;
    // Blocks an unprivileged user may still take.
    const int64_t available = int64_t(std::min<uint64_t>(uint64_t(space.f_bavail) * space.f_frsize, INT64_MAX));
    return std::clamp<int64_t>(available - kFreeSpaceKept, 0, kUpdateFileMaxBytes);
}

}  // namespace tesselon

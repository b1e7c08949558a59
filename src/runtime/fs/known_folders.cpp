#include <cstdlib>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {

std::string withTrailingSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string temporaryFolder() {
    const std::string tmp = environmentValue("TMPDIR");
    if (!tmp.empty()) return withTrailingSeparator(tmp);
    // The shared /tmp would let any other user plant files and links under the names
    // the program uses there; a folder of the user's own below it does not.
    const std::string own = "/tmp/tesselon-" + std::to_string(::geteuid());
    if (ensureOwnPrivateFolder(own)) return own + "/";
    // Someone else holds that name: a folder in the user's cache instead.
    const std::string cache = environmentValue("XDG_CACHE_HOME");
    const std::string fallback =
        (!cache.empty() && cache.front() == '/' ? withTrailingSeparator(cache) : userFolder() + ".cache/") +
        "tesselon-tmp";
    createPrivateFolder(fallback);
    return fallback + "/";
}

std::string userFolder() {
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        std::vector<char> scratch(16384);
        struct passwd entry {};
        struct passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found &&
            found->pw_dir) {
            home = found->pw_dir;
        }
    }
    return withTrailingSeparator(home.empty() ? "/" : home);
}

std::string userConfigFolder() {
    const std::string config = environmentValue("XDG_CONFIG_HOME");
    // Relative values are invalid and ignored.
    if (!config.empty() && config.front() == '/') return withTrailingSeparator(config);
    return userFolder() + ".config/";
}

std::string executablePath() {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size() - 1);
    if (length <= 0) return {};
    return std::string(target.data(), static_cast<size_t>(length));
}

std::string executableFolder() {
    const std::string path = executablePath();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace tesselon

#include "runtime/fs/tree_watch.h"

#include <errno.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "runtime/fs/directory_listing.h"

namespace tesselon {

namespace {

constexpr uint32_t kFolderMask = IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                                 IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

// Far deeper than any real tree; a deeper one (a loop through bind mounts) stops here.
constexpr size_t kMaxDepth = 64;

size_t depthOf(const std::string& path) {
    return path.empty() ? 0 : size_t(std::count(path.begin(), path.end(), '/')) + 1;
}

bool isBelow(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

}  // namespace

TreeWatch::TreeWatch(std::string root, bool recursive, std::string skip)
    : root_(std::move(root)), recursive_(recursive), skip_(std::move(skip)) {
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    while (!skip_.empty() && skip_.back() == '/') skip_.pop_back();
}

std::string TreeWatch::joined(const std::string& folder, const char* name) const {
    return folder.empty() ? std::string(name) : folder + "/" + name;
}

bool TreeWatch::start() {
    stop();
    queue_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!queue_.valid()) return false;
    rootWatch_ = ::inotify_add_watch(queue_.get(), root_.c_str(), kFolderMask);
    if (rootWatch_ < 0) {
        stop();
        return false;
    }
    paths_[rootWatch_] = std::string();
    std::vector<TreeEvent> ignored;
    if (recursive_) {
        DirectoryListing listing(root_, "*");
        while (listing.next()) {
            const DirectoryEntry& e = listing.entry();
            if (e.type == kEntryFolder && !e.link && e.name != "." && e.name != "..") addTree(e.name, false, ignored);
        }
    }
    return true;
}

void TreeWatch::stop() {
    queue_.reset();
    paths_.clear();
    rootWatch_ = -1;
}

void TreeWatch::addTree(const std::string& path, bool report, std::vector<TreeEvent>& events) {
    if ((!skip_.empty() && isBelow(path, skip_)) || depthOf(path) > kMaxDepth) return;
    const std::string full = root_ + "/" + path;
    const int watch = ::inotify_add_watch(queue_.get(), full.c_str(), kFolderMask);
    if (watch < 0) {
        // Gone again already, or a link: nothing to watch, nothing to tell.
        if (errno != ENOENT && errno != ENOTDIR) events.push_back({TreeEvent::Kind::WatchLimit, path});
        return;
    }
    paths_[watch] = path;
    if (report) events.push_back({TreeEvent::Kind::FolderAdded, path});
    // Listed after the watch is in place: what arrives from now on has its events,
    // what came before is in the listing (and may be reported twice, never missed).
    DirectoryListing listing(full, "*");
    while (listing.next()) {
        const DirectoryEntry& e = listing.entry();
        if (e.name == "." || e.name == ".." || e.link) continue;
        const std::string child = path + "/" + e.name;
        if (e.type == kEntryFolder) addTree(child, report, events);
        else if (report) events.push_back({TreeEvent::Kind::FileFound, child});
    }
}

void TreeWatch::dropTree(const std::string& path) {
    for (auto it = paths_.begin(); it != paths_.end();) {
        if (isBelow(it->second, path)) {
            ::inotify_rm_watch(queue_.get(), it->first);
            it = paths_.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<TreeEvent> TreeWatch::read(size_t maxBytes) {
    std::vector<TreeEvent> events;
    if (!queue_.valid()) return events;
    alignas(struct inotify_event) char buffer[64 * 1024];
    size_t taken = 0;
    while (taken < maxBytes && queue_.valid()) {
        const ssize_t got = ::read(queue_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        taken += size_t(got);
        for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= got;) {
            struct inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = event.len > 0 ? buffer + at + sizeof event : "";
            at += ssize_t(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                events.push_back({TreeEvent::Kind::Overflow, {}});
                continue;
            }
            const auto folder = paths_.find(event.wd);
            if (folder == paths_.end()) continue;  // a watch dropped since
            const std::string base = folder->second;
            if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                if (event.wd == rootWatch_) {
                    events.push_back({TreeEvent::Kind::RootGone, {}});
                    stop();
                    return events;
                }
                continue;  // the parent's event names it
            }
            if ((event.mask & IN_IGNORED) || event.len == 0) continue;
            const std::string path = joined(base, name);
            if (event.mask & IN_ISDIR) {
                if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
                    if (recursive_) addTree(path, true, events);
                } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
                    dropTree(path);
                    events.push_back({TreeEvent::Kind::FolderGone, path});
                }
                continue;
            }
            if (event.mask & IN_CLOSE_WRITE) events.push_back({TreeEvent::Kind::FileClosed, path});
            else if (event.mask & IN_MOVED_TO) events.push_back({TreeEvent::Kind::FileMovedIn, path});
            else if (event.mask & IN_MODIFY) events.push_back({TreeEvent::Kind::FileWritten, path});
            else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) events.push_back({TreeEvent::Kind::FileGone, path});
        }
    }
    return events;
}

}  // namespace tesselon

// A folder tree followed through the kernel's inotify: every folder below the root
// gets a watch, folders that appear later get theirs as they are seen, and the files
// already in such a folder when its watch was added are reported as found, so a file
// written between the folder's creation and its watch is never passed by.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

struct TreeEvent {
    enum class Kind {
        FileClosed,     // a writer closed it after writing
        FileWritten,    // bytes were written into it (its writer may still be at work)
        FileMovedIn,    // moved (renamed) into the tree
        FileFound,      // lies in a folder whose watch was just added
        FileGone,       // deleted, or moved out of the tree
        FolderAdded,    // a folder appeared and is watched from now on
        FolderGone,     // a folder was deleted or moved away; its files are gone too
        RootGone,       // the root itself was deleted or moved away; nothing is watched
        Overflow,       // the kernel's queue overflowed: events were lost
        WatchLimit,     // a folder could not be watched (the user's watch limit, or no access)
    };
    Kind kind = Kind::FileClosed;
    std::string path;  // below the root, "/" between names; empty for the root
};

class TreeWatch {
public:
    // Nothing is watched until start(). `recursive`: the subfolders too. `skip` is a
    // folder below the root (such as results written into the source) left unwatched.
    TreeWatch(std::string root, bool recursive, std::string skip = {});
    TreeWatch(const TreeWatch&) = delete;
    TreeWatch& operator=(const TreeWatch&) = delete;

    // Opens the queue and watches the tree; false when the root cannot be watched (it
    // does not exist, or is no folder). The files already there are not reported.
    bool start();
    // Drops every watch and the queue.
    void stop();
    bool active() const { return queue_.valid(); }
    // For poll(): readable when events wait.
    int fd() const { return queue_.get(); }

    // The events waiting now, without blocking; at most `maxBytes` of the queue are
    // read at one call, so a flood of events is taken in bounded steps.
    std::vector<TreeEvent> read(size_t maxBytes = 256 * 1024);

    size_t folders() const { return paths_.size(); }

private:
    // Watches `path` (below the root) and, when recursive, its subfolders; with `report`
    // the files found in them are appended as FileFound and the folders as FolderAdded.
    void addTree(const std::string& path, bool report, std::vector<TreeEvent>& events);
    void dropTree(const std::string& path);
    std::string joined(const std::string& folder, const char* name) const;

    std::string root_;
    bool recursive_;
    std::string skip_;
    FileDescriptor queue_;
    int rootWatch_ = -1;
    std::unordered_map<int, std::string> paths_;  // watch -> folder below the root
};

}  // namespace tesselon

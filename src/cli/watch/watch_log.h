// The watch's events, one line each on standard output, as text or as JSON lines, so a
// service manager's journal or a script can follow them. Each line is written whole
// and flushed at once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tesselon {

enum class WatchEventKind {
    Watching,       // the watch started (source, and the destination as result)
    Converted,      // a source's result is in place
    Unchanged,      // a source's result from before stands
    Published,      // a source's new result went up to the server (--publish)
    Failed,         // a source has no result (detail: why)
    SourceGone,     // a source was deleted or moved away
    ResultRemoved,  // its result was removed with it (--mirror-deletes)
    FolderAdded,    // a new folder is watched
    FolderGone,     // a folder was deleted or moved away
    SourceMissing,  // the source folder is gone; it is waited for
    SourceBack,     // the source folder is there again
    Overflow,       // events were lost; a rescan follows
    Rescan,         // the whole source is looked at again
    WatchLimit,     // a folder could not be watched
    Poll,           // a remote poll ended (count: images listed)
    PollFailed,     // a remote poll failed; detail: when it is tried again
    Reloaded,       // the settings file was read again
    ReloadFailed,   // the settings file could not be read; the settings before stay
    Stopping,       // a signal asked the watch to end
};

const char* watchEventName(WatchEventKind kind);

struct WatchEvent {
    WatchEventKind kind = WatchEventKind::Converted;
    std::string source;  // a file or a folder, as the user knows it
    std::string result;  // the result file, where there is one
    std::string detail;
    int64_t count = -1;  // a number the event carries, when >= 0
};

class WatchLog {
public:
    WatchLog(std::FILE* out, bool json) : out_(out), json_(json) {}
    void write(const WatchEvent& event);

private:
    std::FILE* out_;
    bool json_;
};

// The line of one event, without its line feed; `time` is UTC, as ISO 8601 text.
std::string composeWatchLine(const WatchEvent& event, const std::string& time, bool json);

}  // namespace tesselon

#include "cli/watch/watch_log.h"

#include <time.h>

#include "cli/terminal_text.h"
#include "runtime/json/json_compose.h"

namespace tesselon {

namespace {

std::string utcNow() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm fields {};
    ::gmtime_r(&now.tv_sec, &fields);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", fields.tm_year + 1900, fields.tm_mon + 1,
                  fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec, now.tv_nsec / 1000000);
    return text;
}

std::string jsonText(const std::string& text) { return composeJson(JsonValue::makeString(text)); }

}  // namespace

const char* watchEventName(WatchEventKind kind) {
    switch (kind) {
    case WatchEventKind::Watching: return "watching";
    case WatchEventKind::Converted: return "converted";
    case WatchEventKind::Unchanged: return "unchanged";
    case WatchEventKind::Published: return "published";
    case WatchEventKind::Failed: return "failed";
    case WatchEventKind::SourceGone: return "source-gone";
    case WatchEventKind::ResultRemoved: return "result-removed";
    case WatchEventKind::FolderAdded: return "folder-added";
    case WatchEventKind::FolderGone: return "folder-gone";
    case WatchEventKind::SourceMissing: return "source-missing";
    case WatchEventKind::SourceBack: return "source-back";
    case WatchEventKind::Overflow: return "overflow";
    case WatchEventKind::Rescan: return "rescan";
    case WatchEventKind::WatchLimit: return "watch-limit";
    case WatchEventKind::Poll: return "poll";
    case WatchEventKind::PollFailed: return "poll-failed";
    case WatchEventKind::Reloaded: return "reloaded";
    case WatchEventKind::ReloadFailed: return "reload-failed";
    case WatchEventKind::Stopping: return "stopping";
    }
    return "event";
}

std::string composeWatchLine(const WatchEvent& event, const std::string& time, bool json) {
    if (json) {
        std::string line = "{\"time\":" + jsonText(time) + ",\"event\":" + jsonText(watchEventName(event.kind));
        if (!event.source.empty()) line += ",\"source\":" + jsonText(event.source);
        if (!event.result.empty()) line += ",\"result\":" + jsonText(event.result);
        if (event.count >= 0) line += ",\"count\":" + std::to_string(event.count);
        if (!event.detail.empty()) line += ",\"detail\":" + jsonText(event.detail);
        return line + "}";
    }
    // Names from the disk or a server are shown, never obeyed by the terminal.
    std::string line = time + " " + watchEventName(event.kind);
    if (!event.source.empty()) line += " " + terminalSafe(event.source);
    if (!event.result.empty()) line += " -> " + terminalSafe(event.result);
    if (event.count >= 0) line += " (" + std::to_string(event.count) + ")";
    if (!event.detail.empty()) line += ": " + terminalSafe(event.detail);
    return line;
}

void WatchLog::write(const WatchEvent& event) {
    const std::string line = composeWatchLine(event, utcNow(), json_) + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

}  // namespace tesselon

#include "cli/watch/watch_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <unordered_map>
#include <unordered_set>

#include "cli/watch/settle_queue.h"
#include "cli/watch/signal_inbox.h"
#include "cli/watch/watch_log.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/fs/tree_watch.h"
#include "sources/extension_filter.h"

namespace tesselon {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a missing source folder is looked for again.
constexpr milliseconds kSourceRetry{1000};
// The longest wait between tries of a server that cannot be reached.
constexpr int kMaxBackoffSeconds = 300;

std::string withoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Watcher {
public:
    Watcher(WatchHost& host, const WatchOptions& options, std::FILE* out)
        : host_(host), options_(options), log_(out, options.json), queue_(milliseconds(options.settleMs)) {}

    int run(std::FILE* err) {
        if (!signals_.ok()) {
            std::fprintf(err, "tesselon-batch: cannot take the signals the watch needs\n");
            return 1;
        }
        while (!stop_) {
            target_ = host_.target();
            restart_ = false;
            log_.write({WatchEventKind::Watching, target_.source, target_.destination, {}, -1});
            if (target_.remote) watchRemote();
            else watchLocal();
        }
        log_.write({WatchEventKind::Stopping, {}, {}, {}, -1});
        return 0;
    }

private:
    // --- shared by both sources ---------------------------------------------------------

    // Takes the signals that arrived; true when the loop must leave what it does.
    bool takeSignals() {
        const ReceivedSignals got = signals_.take();
        if (got.stop) stop_ = true;
        // The settings a batch is converting with are not changed under it.
        if (got.reload && inPass_) reloadPending_ = true;
        if ((got.reload && !inPass_) || (reloadPending_ && !inPass_)) {
            reloadPending_ = false;
            if (host_.reload()) {
                log_.write({WatchEventKind::Reloaded, {}, {}, {}, -1});
                if (!(host_.target() == target_)) restart_ = true;
            } else {
                log_.write({WatchEventKind::ReloadFailed, {}, {}, {}, -1});
            }
        }
        return stop_ || restart_;
    }

    // Waits for the signals and `other` (when >= 0) until `until`; true when `other` is readable.
    bool waitFor(int other, std::optional<Clock::time_point> until) {
        struct pollfd fds[2] = {{signals_.fd(), POLLIN, 0}, {other, POLLIN, 0}};
        int timeout = -1;
        if (until) {
            const auto left = std::chrono::duration_cast<milliseconds>(*until - Clock::now()).count();
            timeout = int(std::clamp<long long>(left + 1, 0, 24 * 3600 * 1000));
        }
        const int n = ::poll(fds, other >= 0 ? 2 : 1, timeout);
        return n > 0 && other >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }

    // The line of how one image ended.
    void logEnd(const PassItem& item, bool unchangedToo) {
        switch (item.end) {
        case PassItem::End::Converted: log_.write({WatchEventKind::Converted, item.source, item.result, {}, -1}); break;
        case PassItem::End::Unchanged:
            if (unchangedToo) log_.write({WatchEventKind::Unchanged, item.source, item.result, {}, -1});
            break;
        case PassItem::End::Failed: log_.write({WatchEventKind::Failed, item.source, {}, item.reason, -1}); break;
        case PassItem::End::NotReached: break;
        }
    }

    // What the pass did not tell as it went; publishing comes after the whole pass.
    void logPass(const PassReport& report, bool unchangedToo, const std::unordered_set<std::string>& told) {
        for (const PassItem& item : report.items) {
            if (!told.count(item.source)) logEnd(item, unchangedToo);
            if (item.end == PassItem::End::Converted && item.published)
                log_.write({WatchEventKind::Published, item.source, item.result, {}, -1});
            if (!item.result.empty() && item.end != PassItem::End::NotReached) results_[item.source] = item.result;
        }
    }

    PassReport pass(const std::vector<SourceImageEntry>* entries) {
        const bool unchangedToo = entries != nullptr;
        std::unordered_set<std::string> told;  // sources whose end was written as it came
        PassRequest request;
        request.entries = entries;
        if (entries) {
            request.otherSources.reserve(results_.size());
            for (const auto& [source, result] : results_) request.otherSources.push_back(source);
        }
        request.service = [this] {
            if (tree_) serviceTree();
            return takeSignals() && stop_;
        };
        request.itemEnded = [this, unchangedToo, &told](const PassItem& item) {
            if (item.end == PassItem::End::NotReached || !told.insert(item.source).second) return;
            logEnd(item, unchangedToo);
        };
        inPass_ = true;
        PassReport report = host_.runPass(request);
        inPass_ = false;
        logPass(report, unchangedToo, told);
        takeSignals();
        return report;
    }

    // --- a local source ---------------------------------------------------------------------

    void watchLocal() {
        const std::string root = withoutSlash(target_.source);
        const std::string dest = withoutSlash(target_.destination);
        // Results written into the source are no sources.
        std::string skip;
        if (dest.size() > root.size() && dest.compare(0, root.size() + 1, root + "/") == 0)
            skip = dest.substr(root.size() + 1);
        filter_.emplace(target_.extensions);
        while (!stop_ && !restart_) {
            TreeWatch tree(root, target_.recursive, skip);
            if (!tree.start()) {
                log_.write({WatchEventKind::SourceMissing, target_.source, {}, {}, -1});
                // At least one wait: a folder that is there but cannot be watched (the
                // user's inotify limits) is not tried again at once, over and over.
                do {
                    waitFor(-1, Clock::now() + kSourceRetry);
                    takeSignals();
                } while (!stop_ && !restart_ && !isFolder(root));
                if (stop_ || restart_) break;
                log_.write({WatchEventKind::SourceBack, target_.source, {}, {}, -1});
                continue;
            }
            tree_ = &tree;
            rootGone_ = false;
            rescan_ = false;
            // What changed while nobody watched: the whole source, as a one-shot run.
            pass(nullptr);
            while (!stop_ && !restart_ && !rootGone_) {
                if (rescan_) {
                    rescan_ = false;
                    log_.write({WatchEventKind::Rescan, target_.source, {}, {}, -1});
                    // Folders made while events were lost have no watch yet.
                    if (!tree.start()) break;
                    pass(nullptr);
                    continue;
                }
                if (waitFor(tree.fd(), queue_.nextDue())) serviceTree();
                if (takeSignals()) break;
                convertReady();
            }
            tree_ = nullptr;
            if (rootGone_ && !stop_) log_.write({WatchEventKind::SourceMissing, target_.source, {}, {}, -1});
            queue_ = SettleQueue(milliseconds(options_.settleMs));
        }
        tree_ = nullptr;
    }

    std::string fullPath(const std::string& relative) const { return withoutSlash(target_.source) + "/" + relative; }

    void serviceTree() {
        const Clock::time_point now = Clock::now();
        for (const TreeEvent& e : tree_->read()) {
            const std::string full = fullPath(e.path);
            switch (e.kind) {
            case TreeEvent::Kind::FileClosed:
            case TreeEvent::Kind::FileMovedIn:
            case TreeEvent::Kind::FileFound:
                if (filter_->accepts(baseName(e.path))) queue_.add(full, now);
                break;
            case TreeEvent::Kind::FileWritten: queue_.touch(full, now); break;
            case TreeEvent::Kind::FileGone:
                queue_.drop(full);
                if (filter_->accepts(baseName(e.path))) sourceGone(full);
                break;
            case TreeEvent::Kind::FolderAdded: log_.write({WatchEventKind::FolderAdded, full, {}, {}, -1}); break;
            case TreeEvent::Kind::FolderGone: {
                log_.write({WatchEventKind::FolderGone, full, {}, {}, -1});
                queue_.dropBelow(full);
                std::vector<std::string> gone;
                for (const auto& [source, result] : results_)
                    if (source.compare(0, full.size() + 1, full + "/") == 0) gone.push_back(source);
                for (const std::string& source : gone) sourceGone(source);
                break;
            }
            case TreeEvent::Kind::RootGone: rootGone_ = true; break;
            case TreeEvent::Kind::Overflow:
                log_.write({WatchEventKind::Overflow, target_.source, {}, {}, -1});
                rescan_ = true;
                break;
            case TreeEvent::Kind::WatchLimit: log_.write({WatchEventKind::WatchLimit, full, {}, {}, -1}); break;
            }
        }
    }

    void sourceGone(const std::string& source) {
        log_.write({WatchEventKind::SourceGone, source, {}, {}, -1});
        const auto known = results_.find(source);
        if (known == results_.end()) return;
        const std::string result = known->second;
        results_.erase(known);
        if (options_.mirrorDeletes && removeResult(result))
            log_.write({WatchEventKind::ResultRemoved, source, result, {}, -1});
    }

    // Removes the result beneath the destination's descriptor: a folder on the way
    // swapped for a link leads nowhere else.
    bool removeResult(const std::string& result) const {
        const std::string dest = withoutSlash(target_.destination) + "/";
        if (result.compare(0, dest.size(), dest) != 0) return false;
        const std::string relative = result.substr(dest.size());
        const size_t slash = relative.rfind('/');
        const FolderHandle top = FolderHandle::open(dest);
        const FolderHandle folder = slash == std::string::npos ? top : top.beneath(relative.substr(0, slash), false);
        if (!folder.valid()) return false;
        const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
        return ::unlinkat(folder.fd(), name.c_str(), 0) == 0;
    }

    void convertReady() {
        std::vector<std::string> ready = queue_.ready(Clock::now());
        if (ready.empty()) return;
        std::sort(ready.begin(), ready.end());
        std::vector<SourceImageEntry> entries;
        entries.reserve(ready.size());
        for (std::string& path : ready) {
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0) continue;
            SourceImageEntry entry;
            entry.path = std::move(path);
            entry.size = int64_t(info.st_size);
            entries.push_back(std::move(entry));
        }
        if (!entries.empty()) pass(&entries);
    }

    // --- a remote source --------------------------------------------------------------------

    void watchRemote() {
        int failures = 0;
        while (!stop_ && !restart_) {
            const Clock::time_point started = Clock::now();
            const PassReport report = pass(nullptr);
            if (stop_ || restart_) break;
            Clock::time_point next = started + std::chrono::seconds(options_.intervalSeconds);
            if (report.noConnection) {
                // Tried again sooner than the interval at first, never faster than a
                // doubling backoff, never later than the interval.
                ++failures;
                const int wait = std::min({options_.intervalSeconds, kMaxBackoffSeconds, 1 << std::min(failures - 1, 10)});
                next = Clock::now() + std::chrono::seconds(wait);
                log_.write({WatchEventKind::PollFailed, target_.source, {}, "tried again in " + std::to_string(wait) + " s",
                            failures});
            } else {
                failures = 0;
                log_.write({WatchEventKind::Poll, target_.source, {}, {}, int64_t(report.listed)});
            }
            while (!stop_ && !restart_ && Clock::now() < next) {
                waitFor(-1, next);
                takeSignals();
            }
        }
    }

    WatchHost& host_;
    WatchOptions options_;
    WatchLog log_;
    SignalInbox signals_;
    SettleQueue queue_;
    WatchTarget target_;
    std::optional<ExtensionFilter> filter_;
    TreeWatch* tree_ = nullptr;
    // The result of each source seen, for --mirror-deletes: one entry per file of the
    // source, replaced when it is converted again, dropped when it goes.
    std::unordered_map<std::string, std::string> results_;
    bool stop_ = false;
    bool restart_ = false;
    bool rescan_ = false;
    bool rootGone_ = false;
    bool inPass_ = false;
    bool reloadPending_ = false;
};

}  // namespace

int runWatch(WatchHost& host, const WatchOptions& options, std::FILE* out, std::FILE* err) {
    Watcher watcher(host, options, out);
    return watcher.run(err);
}

}  // namespace tesselon

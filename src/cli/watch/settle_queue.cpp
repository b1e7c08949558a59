#include "cli/watch/settle_queue.h"

#include <sys/stat.h>

namespace tesselon {

std::optional<SettleQueue::Seen> SettleQueue::stateOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return Seen{int64_t(info.st_size), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void SettleQueue::add(const std::string& path, Clock::time_point now) {
    const std::optional<Seen> seen = stateOf(path);
    if (!seen) {
        waiting_.erase(path);
        return;
    }
    waiting_[path] = Waiting{*seen, now + settle_};
}

void SettleQueue::touch(const std::string& path, Clock::time_point now) {
    if (waiting_.count(path) != 0) add(path, now);
}

void SettleQueue::drop(const std::string& path) { waiting_.erase(path); }

void SettleQueue::dropBelow(const std::string& folder) {
    const std::string prefix = folder + "/";
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (it->first.compare(0, prefix.size(), prefix) == 0) it = waiting_.erase(it);
        else ++it;
    }
}

std::vector<std::string> SettleQueue::ready(Clock::time_point now) {
    std::vector<std::string> taken;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        Waiting& w = it->second;
        if (w.due > now) {
            ++it;
            continue;
        }
        const std::optional<Seen> seen = stateOf(it->first);
        if (!seen) {
            it = waiting_.erase(it);
        } else if (*seen == w.seen) {
            taken.push_back(it->first);
            it = waiting_.erase(it);
        } else {
            w = Waiting{*seen, now + settle_};
            ++it;
        }
    }
    return taken;
}

std::optional<SettleQueue::Clock::time_point> SettleQueue::nextDue() const {
    std::optional<Clock::time_point> next;
    for (const auto& [path, w] : waiting_)
        if (!next || w.due < *next) next = w.due;
    return next;
}

}  // namespace tesselon

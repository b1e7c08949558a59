// Files waiting to be taken: each is taken once its size and time have held still for
// the settle time, so a file still being copied or uploaded is never converted
// half-written. A file seen again (written, closed once more) starts its wait over.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tesselon {

class SettleQueue {
public:
    using Clock = std::chrono::steady_clock;

    explicit SettleQueue(std::chrono::milliseconds settle) : settle_(settle) {}

    // `path` (a full path) waits from `now`, its state as it is now.
    void add(const std::string& path, Clock::time_point now);
    // Starts the wait of a file already waiting over; a file not waiting is left alone.
    void touch(const std::string& path, Clock::time_point now);
    void drop(const std::string& path);
    // Drops every file in the folder `folder` (a full path without its final "/").
    void dropBelow(const std::string& folder);

    // The files whose wait ended with the same size and time they had at its start;
    // the others wait again, and those gone (or no longer regular files) are dropped.
    std::vector<std::string> ready(Clock::time_point now);

    // When the next wait ends; nothing when no file waits.
    std::optional<Clock::time_point> nextDue() const;
    size_t size() const { return waiting_.size(); }

private:
    struct Seen {
        int64_t size = -1;
        int64_t modifiedNs = 0;
        bool operator==(const Seen&) const = default;
    };
    struct Waiting {
        Seen seen;
        Clock::time_point due;
    };
    static std::optional<Seen> stateOf(const std::string& path);

    std::chrono::milliseconds settle_;
    std::unordered_map<std::string, Waiting> waiting_;
};

}  // namespace tesselon

// tesselon-batch --watch as a child process: its event lines gathered as they come,
// signals sent to it, its end awaited. Killed when the object goes, should a test
// leave it running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tesselon::testing {

class WatchChild {
public:
    // Starts build/bin/tesselon-batch with `args`; `env` entries ("NAME=value") are added
    // to the environment. stderr goes to `errFile` (or /dev/null).
    explicit WatchChild(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                        const std::string& errFile = {});
    ~WatchChild();
    WatchChild(const WatchChild&) = delete;
    WatchChild& operator=(const WatchChild&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) const;

    // The lines written so far.
    std::vector<std::string> lines() const;
    // The lines of one event ("converted") that mention `text`.
    std::vector<std::string> events(const std::string& event, const std::string& text = {}) const;
    // Waits until `done` holds for the lines, or the time is up; whether it held.
    bool waitUntil(const std::function<bool(const std::vector<std::string>&)>& done, std::chrono::milliseconds limit) const;
    // Waits until `count` lines of the event (mentioning `text`) were written.
    bool waitForEvents(const std::string& event, size_t count, std::chrono::milliseconds limit,
                       const std::string& text = {}) const;

    // Waits for the exit; its code, or -1 when it was killed or did not end in time.
    int waitExit(std::chrono::milliseconds limit);

private:
    void readOutput(int fd);

    pid_t pid_ = -1;
    int exitCode_ = -1;
    bool reaped_ = false;
    mutable std::mutex mutex_;
    std::string buffer_;
    std::vector<std::string> lines_;
    std::thread reader_;
};

}  // namespace tesselon::testing

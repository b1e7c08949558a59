#include "cli/watch_child.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_paths.h"

extern char** environ;

namespace tesselon::testing {

WatchChild::WatchChild(const std::vector<std::string>& args, const std::vector<std::string>& env,
                       const std::string& errFile) {
    const std::string program = binDir() + "tesselon-batch";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // The test runner's own signal mask must not reach the child.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    if (::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (pid_ <= 0) {
        ::close(out[0]);
        return;
    }
    reader_ = std::thread([this, fd = out[0]] { readOutput(fd); });
}

WatchChild::~WatchChild() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (reader_.joinable()) reader_.join();
}

void WatchChild::readOutput(int fd) {
    char chunk[8192];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        std::lock_guard lock(mutex_);
        buffer_.append(chunk, size_t(got));
        for (size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
            lines_.push_back(buffer_.substr(0, end));
            buffer_.erase(0, end + 1);
        }
    }
    ::close(fd);
}

void WatchChild::signal(int number) const {
    if (pid_ > 0 && !reaped_) ::kill(pid_, number);
}

std::vector<std::string> WatchChild::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> WatchChild::events(const std::string& event, const std::string& text) const {
    std::vector<std::string> found;
    const std::string word = " " + event;
    for (const std::string& line : lines()) {
        const size_t at = line.find(' ');
        if (at == std::string::npos || line.compare(at, word.size(), word) != 0) continue;
        const size_t after = at + word.size();
        if (after < line.size() && line[after] != ' ' && line[after] != ':' && line[after] != '(') continue;
        if (text.empty() || line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
}

bool WatchChild::waitUntil(const std::function<bool(const std::vector<std::string>&)>& done,
                           std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done(lines())) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool WatchChild::waitForEvents(const std::string& event, size_t count, std::chrono::milliseconds limit,
                               const std::string& text) const {
    return waitUntil([&](const std::vector<std::string>&) { return events(event, text).size() >= count; }, limit);
}

int WatchChild::waitExit(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return -1;
    if (reaped_) return exitCode_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reaped_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (reader_.joinable()) reader_.join();
    return exitCode_;
}

}  // namespace tesselon::testing

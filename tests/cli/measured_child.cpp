#include "cli/measured_child.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "support/test_paths.h"

extern char** environ;

namespace tesselon::testing {

MeasuredRun runBatchChild(const std::vector<std::string>& args, int timeoutSeconds, unsigned long long addressLimit) {
    MeasuredRun result;
    const std::string batch = binDir() + "tesselon-batch";
    const std::string limit = "--as=" + std::to_string(addressLimit);
    const std::string endOfOptions = "--";
    const std::string program = addressLimit ? std::string("/usr/bin/prlimit") : batch;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    if (addressLimit) {
        for (const std::string* part : {&limit, &endOfOptions, &batch}) argv.push_back(const_cast<char*>(part->c_str()));
    }
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // stderr goes to an unlinked file, so a chatty child never blocks on a pipe.
    char errName[] = "/tmp/tesselon-child-err-XXXXXX";
    const int errFd = ::mkstemp(errName);
    if (errFd < 0) return result;
    ::unlink(errName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ::close(errFd);
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline && !result.timedOut) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakRssMiB = usage.ru_maxrss / 1024;
    ::lseek(errFd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(errFd, buffer, sizeof buffer)) > 0) result.err.append(buffer, size_t(got));
    ::close(errFd);
    return result;
}

}  // namespace tesselon::testing

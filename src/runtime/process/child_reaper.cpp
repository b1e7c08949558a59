#include <cerrno>
#include <sys/wait.h>
#include <thread>

#include "runtime/process/program_run_impl.h"

namespace tesselon {

void reapInBackground(pid_t pid) {
    if (pid <= 0) return;
    const auto reap = [pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    };
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0) return;  // already reaped, or not ours
    try {
        std::thread(reap).detach();
    } catch (...) {
        // Without a thread the zombie lasts until this process ends; nothing is lost.
    }
}

}  // namespace tesselon

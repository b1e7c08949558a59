// The watchdog that bounds a library's blocking socket calls, on a local socket pair
// whose far end never answers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "remote/sftp/socket_watchdog.h"

namespace tesselon {
namespace {

using Clock = SocketWatchdog::Clock;
using std::chrono::milliseconds;
using Trip = SocketWatchdog::Trip;

struct Cut {
    Trip trip = Trip::None;
    Clock::duration waited{};
};

// Arms an operation with the given bounds right after one with long bounds that took a
// moment (so the watcher had settled into waiting for those), then blocks on a socket
// that stays silent until the watchdog shuts it down.
Cut cutAfterALongOperation(milliseconds idle, Clock::time_point deadline, const std::atomic<bool>* cancel) {
    int fds[2] = {-1, -1};
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    Cut cut;
    {
        SocketWatchdog dog;
        dog.watch(FileDescriptor(::fcntl(fds[0], F_DUPFD_CLOEXEC, 0)));
        {
            WatchedOperation longOne(dog, std::chrono::seconds(20), Clock::now() + std::chrono::hours(1));
            std::this_thread::sleep_for(milliseconds(50));
        }
        WatchedOperation operation(dog, idle, deadline, cancel);
        const auto start = Clock::now();
        char byte = 0;
        EXPECT_LE(::recv(fds[0], &byte, 1, 0), 0);
        cut = {dog.tripped(), Clock::now() - start};
    }
    ::close(fds[0]);
    ::close(fds[1]);
    return cut;
}

// Operations come one after another, each with its own bounds: a short idle bound, a
// cancel or a near deadline armed right after an operation with long bounds still cuts
// the wait in time, not when the earlier operation's bounds would have.
TEST(SocketWatchdog, EachOperationIsCutByItsOwnBoundsAfterOneWithLongerOnes) {
    const auto far = Clock::now() + std::chrono::hours(1);
    const Cut idle = cutAfterALongOperation(milliseconds(200), far, nullptr);
    EXPECT_EQ(idle.trip, Trip::Idle);
    EXPECT_LT(idle.waited, std::chrono::seconds(5));

    std::atomic<bool> cancel{true};
    const Cut cancelled = cutAfterALongOperation(std::chrono::seconds(20), far, &cancel);
    EXPECT_EQ(cancelled.trip, Trip::Cancelled);
    EXPECT_LT(cancelled.waited, std::chrono::seconds(5));

    const Cut deadline = cutAfterALongOperation(std::chrono::seconds(20), Clock::now() + milliseconds(200), nullptr);
    EXPECT_EQ(deadline.trip, Trip::Deadline);
    EXPECT_LT(deadline.waited, std::chrono::seconds(5));
}

}  // namespace
}  // namespace tesselon

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

class SilentPeer {
public:
    SilentPeer() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0); }
    ~SilentPeer() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    int ours() const { return fds_[0]; }
    FileDescriptor watched() const { return FileDescriptor(::fcntl(fds_[0], F_DUPFD_CLOEXEC, 0)); }

private:
    int fds_[2] = {-1, -1};
};

// Blocks on the silent socket until the watchdog shuts it down; the time it took.
Clock::duration blockedFor(const SilentPeer& peer) {
    const auto start = Clock::now();
    char byte = 0;
    EXPECT_LE(::recv(peer.ours(), &byte, 1, 0), 0);
    return Clock::now() - start;
}

// An operation with long bounds that ends after a moment, once the watcher has settled
// into waiting for those bounds.
void tookAMoment(SocketWatchdog& dog, Clock::time_point deadline) {
    WatchedOperation operation(dog, std::chrono::seconds(20), deadline);
    std::this_thread::sleep_for(milliseconds(50));
}

// Operations come one after another, each armed with its own bounds: a short bound, or
// a cancel, armed right after an operation with long ones must still cut the wait in
// time, not when the earlier operation's bound would have.
TEST(SocketWatchdog, EachOperationIsCutByItsOwnBoundsAfterOneWithLongerOnes) {
    SilentPeer peer;
    SocketWatchdog dog;
    dog.watch(peer.watched());
    const auto far = Clock::now() + std::chrono::hours(1);
    for (int i = 0; i < 3; ++i) tookAMoment(dog, far);
    {
        WatchedOperation shortIdle(dog, milliseconds(200), far);
        EXPECT_LT(blockedFor(peer), std::chrono::seconds(5));
    }
    EXPECT_EQ(dog.tripped(), SocketWatchdog::Trip::Idle);

    SilentPeer second;
    SocketWatchdog other;
    other.watch(second.watched());
    tookAMoment(other, far);
    std::atomic<bool> cancel{true};
    {
        WatchedOperation cancelled(other, std::chrono::seconds(20), far, &cancel);
        EXPECT_LT(blockedFor(second), std::chrono::seconds(5));
    }
    EXPECT_EQ(other.tripped(), SocketWatchdog::Trip::Cancelled);

    SilentPeer third;
    SocketWatchdog late;
    late.watch(third.watched());
    tookAMoment(late, far);
    {
        WatchedOperation nearDeadline(late, std::chrono::seconds(20), Clock::now() + milliseconds(200));
        EXPECT_LT(blockedFor(third), std::chrono::seconds(5));
    }
    EXPECT_EQ(late.tripped(), SocketWatchdog::Trip::Deadline);
}

}  // namespace
}  // namespace tesselon

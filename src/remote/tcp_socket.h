// The TCP side of the FTP client: IPv4 connections, listeners and bounded waits on
// non-blocking sockets. Every wait has a deadline and may be cut short by an abort
// flag, so a silent peer can never hold a caller for longer than its timeout.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

struct Ipv4Endpoint {
    uint32_t address = 0;  // network byte order
    uint16_t port = 0;     // host byte order
};

using Clock = std::chrono::steady_clock;

// A point in time after which a wait fails.
class Deadline {
public:
    explicit Deadline(int seconds) : end_(Clock::now() + std::chrono::seconds(seconds)) {}
    // `seconds` from now, or `latest` when that comes first.
    Deadline(int seconds, Clock::time_point latest) : Deadline(seconds) { end_ = std::min(end_, latest); }
    bool passed() const { return Clock::now() >= end_; }
    // Milliseconds left, at least 0.
    int remainingMs() const;

private:
    Clock::time_point end_;
};

// The pace a stream of data must keep: within each window of `seconds` at least
// `seconds` bytes (one a second), so a peer cannot hold a transfer open by sending
// a byte now and then, just inside the idle bound.
class ReceivePace {
public:
    explicit ReceivePace(int seconds) : seconds_(seconds), window_(seconds) {}
    // When the next receive must have brought something.
    const Deadline& deadline() const { return window_; }
    void received(size_t bytes);

private:
    int seconds_;
    Deadline window_;
    size_t bytes_ = 0;
};

// Reads the text as a dotted IPv4 address, or else looks the name up and takes the
// first IPv4 address. Nothing when neither works.
std::optional<uint32_t> resolveIpv4(std::string_view host);

// Connects within `timeoutSeconds`; an invalid descriptor on failure, on timeout or when
// `abort` becomes true meanwhile.
FileDescriptor connectTcp(const Ipv4Endpoint& endpoint, int timeoutSeconds,
                          const std::atomic<bool>* abort = nullptr);

enum class WaitResult { Ready, TimedOut, Aborted, Failed };

// Waits until the socket can be read (POLLIN) or written (POLLOUT).
WaitResult waitForSocket(int fd, short events, const Deadline& deadline, const std::atomic<bool>* abort);

// Sends every byte before the deadline; false on an error, a timeout or an abort.
bool sendAll(int fd, const void* data, size_t length, const Deadline& deadline,
             const std::atomic<bool>* abort = nullptr);

// Receives what is there, waiting until the deadline for something to arrive: the
// byte count, 0 when the peer closed the connection, -1 on an error, a timeout or an
// abort.
long receiveSome(int fd, void* buffer, size_t length, const Deadline& deadline,
                 const std::atomic<bool>* abort = nullptr);

// A listener on every local interface, on a port the system picks.
FileDescriptor listenOnAnyPort(uint16_t& port);

// Accepts the first connection that comes from `peerAddress` (network byte order)
// before the deadline; connections from other hosts are closed unread.
FileDescriptor acceptFrom(int listener, uint32_t peerAddress, const Deadline& deadline,
                          const std::atomic<bool>* abort = nullptr);

// The local and the remote end of a connected socket.
std::optional<Ipv4Endpoint> localEndpoint(int fd);
std::optional<Ipv4Endpoint> peerEndpoint(int fd);

}  // namespace tesselon

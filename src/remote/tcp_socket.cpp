#include "remote/tcp_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace tesselon {

namespace {

// Waits are cut into slices this long so an abort request is seen promptly.
constexpr int kAbortPollMs = 50;

bool aborted(const std::atomic<bool>* abort) { return abort && abort->load(std::memory_order_relaxed); }

FileDescriptor newSocket() { return FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)); }

sockaddr_in socketAddress(const Ipv4Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

std::optional<Ipv4Endpoint> endpointOf(const sockaddr_in& address) {
    if (address.sin_family != AF_INET) return std::nullopt;
    return Ipv4Endpoint{address.sin_addr.s_addr, ntohs(address.sin_port)};
}

}  // namespace

int Deadline::remainingMs() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

void ReceivePace::received(size_t bytes) {
    bytes_ += bytes;
    if (bytes_ < size_t(seconds_)) return;
    window_ = Deadline(seconds_);
    bytes_ = 0;
}

std::optional<uint32_t> resolveIpv4(std::string_view host) {
    const std::string name(host);
    in_addr numeric{};
    if (::inet_pton(AF_INET, name.c_str(), &numeric) == 1) return numeric.s_addr;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    const uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

WaitResult waitForSocket(int fd, short events, const Deadline& deadline, const std::atomic<bool>* abort) {
    for (;;) {
        if (aborted(abort)) return WaitResult::Aborted;
        const int left = deadline.remainingMs();
        if (left == 0) return WaitResult::TimedOut;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, abort ? std::min(left, kAbortPollMs) : left);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        if (ready == 0) continue;
        // An error or hang-up also ends the wait: the next read or write reports it.
        return WaitResult::Ready;
    }
}

FileDescriptor connectTcp(const Ipv4Endpoint& endpoint, int timeoutSeconds, const std::atomic<bool>* abort) {
    FileDescriptor fd = newSocket();
    if (!fd.valid()) return {};
    const sockaddr_in address = socketAddress(endpoint);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) return {};
        if (waitForSocket(fd.get(), POLLOUT, Deadline(timeoutSeconds), abort) != WaitResult::Ready) return {};
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return {};
    }
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool sendAll(int fd, const void* data, size_t length, const Deadline& deadline, const std::atomic<bool>* abort) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t sent = ::send(fd, bytes, length, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            length -= size_t(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitForSocket(fd, POLLOUT, deadline, abort) != WaitResult::Ready) return false;
            continue;
        }
        return false;
    }
    return true;
}

long receiveSome(int fd, void* buffer, size_t length, const Deadline& deadline, const std::atomic<bool>* abort) {
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, length, 0);
        if (got >= 0) return long(got);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (waitForSocket(fd, POLLIN, deadline, abort) != WaitResult::Ready) return -1;
    }
}

FileDescriptor listenOnAnyPort(uint16_t& port) {
    FileDescriptor fd = newSocket();
    if (!fd.valid()) return {};
    const sockaddr_in address = socketAddress(Ipv4Endpoint{htonl(INADDR_ANY), 0});
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
    if (::listen(fd.get(), 100) != 0) return {};
    const std::optional<Ipv4Endpoint> local = localEndpoint(fd.get());
    if (!local) return {};
    port = local->port;
    return fd;
}

FileDescriptor acceptFrom(int listener, uint32_t peerAddress, const Deadline& deadline,
                          const std::atomic<bool>* abort) {
    for (;;) {
        if (waitForSocket(listener, POLLIN, deadline, abort) != WaitResult::Ready) return {};
        sockaddr_in address{};
        socklen_t length = sizeof address;
        FileDescriptor fd(::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                                    SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.valid()) {
            if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
            return {};
        }
        if (address.sin_family == AF_INET && address.sin_addr.s_addr == peerAddress) return fd;
    }
}

std::optional<Ipv4Endpoint> localEndpoint(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
    return endpointOf(address);
}

std::optional<Ipv4Endpoint> peerEndpoint(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
    return endpointOf(address);
}

}  // namespace tesselon

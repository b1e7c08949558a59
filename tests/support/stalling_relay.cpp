#include "support/stalling_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace tesselon::testing {

namespace {

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Sends every byte; a peer that went away gives false, never SIGPIPE.
bool sendAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        length -= size_t(sent);
    }
    return true;
}

}  // namespace

StallingRelay::StallingRelay(uint16_t serverPort) : serverPort_(serverPort) {
    listener_ = FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    wakeRead_ = FileDescriptor(pipeEnds[0]);
    wakeWrite_ = FileDescriptor(pipeEnds[1]);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

StallingRelay::~StallingRelay() {
    if (thread_.joinable()) {
        const char stop = 0;
        (void)!::write(wakeWrite_.get(), &stop, 1);
        thread_.join();
    }
}

void StallingRelay::run() {
    pollfd accepting[2] = {{listener_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
    if (::poll(accepting, 2, -1) <= 0 || accepting[1].revents) return;
    FileDescriptor client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    FileDescriptor server(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(serverPort_);
    if (!client.valid() || ::connect(server.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const bool passing = !stalled_;
        pollfd ends[3] = {{wakeRead_.get(), POLLIN, 0},
                          {client.get(), short(passing ? POLLIN : 0), 0},
                          {server.get(), short(passing ? POLLIN : 0), 0}};
        if (::poll(ends, 3, 20) < 0 || ends[0].revents) return;
        for (int i = 1; i <= 2 && !stalled_; ++i) {
            if (!ends[i].revents) continue;
            const int from = ends[i].fd;
            const int to = i == 1 ? server.get() : client.get();
            const ssize_t got = ::read(from, buffer.data(), buffer.size());
            if (got <= 0 || !sendAll(to, buffer.data(), size_t(got))) return;
        }
    }
}

}  // namespace tesselon::testing

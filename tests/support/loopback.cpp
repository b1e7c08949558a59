#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace tesselon::testing {

FileDescriptor listenOnLoopback(uint16_t& port) {
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd.get(), 8) != 0)
        return {};
    socklen_t length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

bool waitReadable(int fd, const std::atomic<bool>& stopping, int ms) {
    for (int waited = 0; waited < ms && !stopping; waited += 50) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 50) > 0) return true;
    }
    return false;
}

bool sendBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(size_t(sent));
    }
    return true;
}

}  // namespace tesselon::testing

#include "support/tree_ftp_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "support/loopback.h"

namespace tesselon::testing {

namespace {

constexpr int kIdleMs = 15000;  // a client silent this long is left

// "/a/b" and "c" -> "/a/b/c"; ".." steps up; "/x" starts again at the root.
std::string resolve(const std::string& folder, std::string path) {
    std::string out = !path.empty() && path.front() == '/' ? "" : folder;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            out.erase(out.empty() ? 0 : out.rfind('/'));
        } else if (!part.empty() && part != ".") {
            out += (out == "/" ? "" : "/") + part;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

}  // namespace

std::string listingLine(const std::string& name, int64_t size, bool directory) {
    return std::string(directory ? "drwxr-xr-x" : "-rw-r--r--") + " 1 owner group " + std::to_string(size) +
           " Jan  1  2020 " + name + "\r\n";
}

TreeFtpServer::TreeFtpServer() = default;

void TreeFtpServer::start() {
    listener_ = listenOnLoopback(port_);
    if (!listener_.valid()) return;
    acceptor_ = std::thread([this] {
        while (!stopping_) {
            if (!waitReadable(listener_.get(), stopping_, 100)) continue;
            FileDescriptor control(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!control.valid()) continue;
            // Replies follow each other closely (150, then 226): no waiting on acknowledgements.
            const int on = 1;
            ::setsockopt(control.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            if (maxConnections > 0 && connections_ >= maxConnections) {
                sendBytes(control.get(), "421 too many connections\r\n");
                ++connections_;
                continue;
            }
            ++connections_;
            std::lock_guard lock(mutex_);
            threads_.emplace_back([this, fd = control.release()] { serve(FileDescriptor(fd)); });
        }
    });
}

TreeFtpServer::~TreeFtpServer() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& t : threads_) t.join();
}

std::vector<std::string> TreeFtpServer::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

void TreeFtpServer::serve(FileDescriptor control) {
    const int fd = control.get();
    std::string folder = "/";
    std::string pending;
    FileDescriptor dataListener;
    auto reply = [fd](std::string_view text) { return sendBytes(fd, text); };
    // Sends a transfer on the data connection the client opened after PASV.
    auto transfer = [&](const Transfer& t) {
        if (!waitReadable(dataListener.get(), stopping_, kIdleMs)) return;
        FileDescriptor data(::accept4(dataListener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        dataListener.reset();
        reply("150 sending\r\n");
        bool open = sendBytes(data.get(), t.data);
        while (open && t.endless && !stopping_) {
            if (t.pause.count() > 0) std::this_thread::sleep_for(t.pause);
            open = sendBytes(data.get(), t.data);
        }
        data.reset();
        if (!t.finalReply.empty()) reply(t.finalReply);
    };
    reply("220 tree server\r\n");
    for (;;) {
        const size_t end = pending.find("\r\n");
        if (end == std::string::npos) {
            char buffer[4096];
            if (!waitReadable(fd, stopping_, kIdleMs)) return;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            pending.append(buffer, size_t(got));
            continue;
        }
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(line);
        }
        const size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        if (verb == "USER") {
            reply("331 password please\r\n");
        } else if (verb == "PASS") {
            reply("230 logged in\r\n");
        } else if (verb == "TYPE") {
            reply("200 type set\r\n");
        } else if (verb == "CWD" || verb == "CDUP") {
            const std::string target = resolve(folder, verb == "CDUP" ? ".." : argument);
            const bool exists = list && list(target);
            if (exists) folder = target;
            reply(exists ? "250 ok\r\n" : "550 no such folder\r\n");
        } else if (verb == "PWD") {
            reply("257 \"" + (pwd ? pwd(folder) : folder) + "\" is current\r\n");
        } else if (verb == "PASV") {
            uint16_t port = 0;
            dataListener = listenOnLoopback(port);
            reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                  std::to_string(port % 256) + ")\r\n");
        } else if (verb == "LIST" || verb == "RETR") {
            const std::optional<Transfer> t =
                verb == "LIST" ? (list ? list(folder) : std::nullopt)
                               : (retrieve ? retrieve(resolve(folder, argument)) : std::nullopt);
            if (t) {
                transfer(*t);
            } else {
                dataListener.reset();
                reply("550 not here\r\n");
            }
        } else if (verb == "QUIT") {
            reply("221 bye\r\n");
            return;
        } else {
            reply("502 not implemented\r\n");
        }
    }
}

}  // namespace tesselon::testing

#include "support/scripted_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "support/loopback.h"

namespace tesselon::testing {

namespace {

constexpr int kWaitMs = 10000;

}  // namespace

bool FtpConversation::send(std::string_view bytes) { return sendBytes(control_, bytes); }

std::string FtpConversation::command() {
    for (;;) {
        const size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            std::lock_guard lock(mutex_);
            commands_.push_back(line);
            return line;
        }
        if (!waitReadable(control_, stopping_, kWaitMs)) return {};
        char buffer[4096];
        const ssize_t got = ::recv(control_, buffer, sizeof buffer, 0);
        if (got <= 0) return {};
        pending_.append(buffer, size_t(got));
    }
}

void FtpConversation::answer(std::string_view reply) {
    command();
    send(reply);
}

void FtpConversation::login() {
    send("220 scripted\r\n");
    answer("331 password please\r\n");
    answer("230 logged in\r\n");
}

uint16_t FtpConversation::answerPassive(const std::string& address) {
    answer("200 type set\r\n");
    const uint16_t port = listenForData();
    answer("227 Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ")\r\n");
    return port;
}

uint16_t FtpConversation::listenForData() {
    uint16_t port = 0;
    dataListener_ = listenOnLoopback(port);
    return port;
}

FileDescriptor FtpConversation::acceptData() {
    if (!waitReadable(dataListener_.get(), stopping_, kWaitMs)) return {};
    return FileDescriptor(::accept4(dataListener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

FileDescriptor FtpConversation::connectTo(uint16_t port) {
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
    return fd;
}

void FtpConversation::hangUp() { ::shutdown(control_, SHUT_RDWR); }

std::vector<std::string> FtpConversation::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

ScriptedFtpServer::ScriptedFtpServer(Script script, bool refuseLater) {
    listener_ = listenOnLoopback(port_);
    thread_ = std::thread([this, script = std::move(script), refuseLater] {
        if (!waitReadable(listener_.get(), stopping_, kWaitMs)) return;
        FileDescriptor control(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!control.valid()) return;
        if (refuseLater) listener_.reset();
        control_ = control.get();
        {
            std::lock_guard lock(mutex_);
            conversation_ = std::make_unique<FtpConversation>(control.get(), stopping_);
        }
        script(*conversation_);
        // Keep the connection until the client is done with it (it sends QUIT or closes).
        while (!stopping_ && !conversation_->command().empty()) {
        }
        control_ = -1;
    });
}

void ScriptedFtpServer::finish() {
    if (thread_.joinable()) thread_.join();
}

ScriptedFtpServer::~ScriptedFtpServer() {
    stopping_ = true;
    finish();
}

std::vector<std::string> ScriptedFtpServer::commands() {
    std::lock_guard lock(mutex_);
    return conversation_ ? conversation_->commands() : std::vector<std::string>{};
}

void sendAndClose(FileDescriptor data, std::string_view bytes) { sendBytes(data.get(), bytes); }

uint64_t sendUntilClosed(int fd, std::string_view chunk, uint64_t limit) {
    uint64_t sent = 0;
    while (sent < limit && sendBytes(fd, chunk)) sent += chunk.size();
    return sent;
}

}  // namespace tesselon::testing

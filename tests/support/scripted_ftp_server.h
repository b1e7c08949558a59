// A tiny FTP server on 127.0.0.1 that says exactly what a test scripts, for the replies
// a well-behaved server never sends. It serves one control connection on a thread of
// its own; every wait is bounded, and the destructor ends the conversation.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/fs/file_descriptor.h"

namespace tesselon::testing {

class FtpConversation {
public:
    explicit FtpConversation(int control, const std::atomic<bool>& stopping) : control_(control), stopping_(stopping) {}

    // Sends raw bytes on the control connection; false once the client is gone.
    bool send(std::string_view bytes);
    // The next command line without its CR LF; empty when the client closed or went
    // silent for 10 s. Every command is also kept in commands().
    std::string command();
    // Reads a command and answers it: `reply` is sent as it is (with its own CR LF).
    void answer(std::string_view reply);
    // Greeting, USER answered 331, PASS answered 230.
    void login();

    // TYPE answered 200, then PASV answered with a fresh data listener's port and the
    // given address numbers.
    uint16_t answerPassive(const std::string& address = "127,0,0,1");
    // A data listener on 127.0.0.1; answers its port.
    uint16_t listenForData();
    // Accepts the client's data connection (passive mode).
    FileDescriptor acceptData();
    // Connects to the client's PORT address (active mode).
    static FileDescriptor connectTo(uint16_t port);

    std::vector<std::string> commands() const;
    // Ends the control connection at once, as a server that went away.
    void hangUp();

private:
    int control_;
    const std::atomic<bool>& stopping_;
    std::string pending_;
    FileDescriptor dataListener_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

class ScriptedFtpServer {
public:
    using Script = std::function<void(FtpConversation&)>;

    // `refuseLater`: once the conversation began, further connections are refused at
    // once instead of waiting unanswered (for a client that reconnects after a fault).
    explicit ScriptedFtpServer(Script script, bool refuseLater = false);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    uint16_t port() const { return port_; }
    // Waits until the script has run to its end (or the client went away).
    void finish();
    // Every command the client sent, in order.
    std::vector<std::string> commands();

private:
    FileDescriptor listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> control_{-1};
    std::unique_ptr<FtpConversation> conversation_;
    std::mutex mutex_;
    std::thread thread_;
};

// Sends bytes on a data connection and closes it.
void sendAndClose(FileDescriptor data, std::string_view bytes);
// Sends `chunk` again and again until the peer closes (or `limit` bytes went); answers
// the bytes sent.
uint64_t sendUntilClosed(int fd, std::string_view chunk, uint64_t limit = uint64_t(4) << 30);

}  // namespace tesselon::testing

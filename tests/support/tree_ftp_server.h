// An FTP server on 127.0.0.1 that serves a tree described by functions of the path, so
// that a test can make it endless, make it lie about where the client is, or make a
// transfer misbehave (never end, end short, go silent). Passive mode only; every
// connection is served on a thread of its own until the client leaves or the server
// object goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/fs/file_descriptor.h"

namespace tesselon::testing {

class TreeFtpServer {
public:
    // What a LIST or RETR sends.
    struct Transfer {
        std::string data;         // sent on the data connection, which is then closed
        bool endless = false;     // `data` sent again and again until the client closes
        std::string finalReply = "226 done\r\n";  // after the data; empty: say nothing
        std::chrono::milliseconds pause{0};  // between the sends of an endless `data`
    };
    // A folder's LIST, or nothing when there is no such folder (CWD and LIST get 550).
    std::function<std::optional<Transfer>(const std::string& folder)> list;
    // A file's RETR, or nothing when there is no such file (550).
    std::function<std::optional<Transfer>(const std::string& path)> retrieve;
    // What PWD answers in a folder; the folder itself unless set.
    std::function<std::string(const std::string& folder)> pwd;
    // Connections served at most; later ones are refused with 421 (and still counted).
    int maxConnections = 0;

    TreeFtpServer();
    ~TreeFtpServer();
    TreeFtpServer(const TreeFtpServer&) = delete;
    TreeFtpServer& operator=(const TreeFtpServer&) = delete;

    // Starts listening; set the functions first. port() is 0 when that failed.
    void start();
    uint16_t port() const { return port_; }
    // Control connections accepted so far.
    int connections() const { return connections_.load(); }
    // Every command received, in order, over all connections.
    std::vector<std::string> commands() const;

private:
    void serve(FileDescriptor control);

    FileDescriptor listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::list<std::thread> threads_;
    std::thread acceptor_;
};

// A Unix-style LIST line for a file or (with `directory`) a folder.
std::string listingLine(const std::string& name, int64_t size, bool directory = false);

}  // namespace tesselon::testing

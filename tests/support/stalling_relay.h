// A TCP relay on 127.0.0.1 in front of a local server, passing one connection through
// both ways until told to stall: from then on it passes nothing on but keeps both
// connections open, a server that stops answering in the middle of an exchange.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "runtime/fs/file_descriptor.h"

namespace tesselon::testing {

class StallingRelay {
public:
    explicit StallingRelay(uint16_t serverPort);
    ~StallingRelay();
    StallingRelay(const StallingRelay&) = delete;
    StallingRelay& operator=(const StallingRelay&) = delete;

    uint16_t port() const { return port_; }
    void stall() { stalled_ = true; }

private:
    void run();

    uint16_t serverPort_;
    uint16_t port_ = 0;
    FileDescriptor listener_;
    FileDescriptor wakeRead_;
    FileDescriptor wakeWrite_;
    std::atomic<bool> stalled_{false};
    std::thread thread_;
};

}  // namespace tesselon::testing

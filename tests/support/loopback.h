// Sockets of the test servers: listeners on 127.0.0.1 on a port the system picks,
// waits that watch a stop flag, and sends that never raise SIGPIPE.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "runtime/fs/file_descriptor.h"

namespace tesselon::testing {

// A listener on 127.0.0.1; its port goes to `port`. Invalid on failure.
FileDescriptor listenOnLoopback(uint16_t& port);
// Waits up to `ms` for the descriptor to be readable, checking `stopping` now and then.
bool waitReadable(int fd, const std::atomic<bool>& stopping, int ms);
// Sends every byte; false once the peer is gone.
bool sendBytes(int fd, std::string_view bytes);

}  // namespace tesselon::testing

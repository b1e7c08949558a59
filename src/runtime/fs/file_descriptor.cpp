#include "runtime/fs/file_descriptor.h"

#include <cerrno>
#include <unistd.h>

namespace tesselon {

bool FileDescriptor::reset(int fd) {
    bool ok = true;
    if (fd_ >= 0) {
        // Linux releases the descriptor even when close reports EINTR; retrying could
        // close a descriptor another thread has just been given.
        ok = ::close(fd_) == 0 || errno == EINTR;
    }
    fd_ = fd;
    return ok;
}

bool writeAll(int fd, const void* data, size_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

long long readFully(int fd, void* data, size_t length) {
    char* bytes = static_cast<char*>(data);
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, bytes + done, length - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? static_cast<long long>(done) : -1;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<long long>(done);
}

}  // namespace tesselon

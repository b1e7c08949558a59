// An owned POSIX file descriptor and the read/write loops that retry interrupted and
// partial transfers.
#pragma once

#include <cstddef>
#include <utility>

namespace tesselon {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held (if any) and takes `fd`; false when that close failed,
    // which on some file systems is the first report of a failed write.
    bool reset(int fd = -1);

private:
    int fd_ = -1;
};

// Writes every byte; false on the first error (a full disk, a closed pipe).
bool writeAll(int fd, const void* data, size_t length);
// Reads until `length` bytes arrived or end of data; returns the count, or -1 on an
// error before anything was read.
long long readFully(int fd, void* data, size_t length);

}  // namespace tesselon

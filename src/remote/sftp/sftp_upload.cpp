// Uploads, renames and new folders on an SFTP connection. An upload is written in
// pieces, one request after another, each bounded by the connection's idle wait; the
// whole file by the operation deadline plus its size at the slowest rate allowed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "remote/sftp/sftp_connection.h"
#include "remote/sftp/sftp_connection_state.h"
#include "runtime/fs/file_descriptor.h"

namespace tesselon {

namespace {

constexpr size_t kUploadPiece = 32 * 1024;  // what every SFTP server takes in one write
constexpr uint64_t kLongestUploadSeconds = 30 * 24 * 3600;

}  // namespace

SftpFailure SftpConnection::upload(const FileInFolder& local, const std::string& remotePath,
                                   const std::atomic<bool>* cancel) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    if (!local.folder.valid()) return SftpFailure::LocalFileFailed;
    const FileDescriptor in(::openat(local.folder.fd(), local.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (!in.valid() || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode)) return SftpFailure::LocalFileFailed;
    const uint64_t size = uint64_t(info.st_size);
    const uint64_t rate = std::max<uint64_t>(1, s.timeouts.minimumBytesPerSecond);
    const std::chrono::seconds transferTime(int64_t(std::min(size / rate, kLongestUploadSeconds)));
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline() + transferTime, cancel);
    const SftpFileHandle file(sftp_open(s.sftp.get(), remotePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!file) return s.statusFailure(SftpFailure::TransferFailed);
    std::vector<char> piece(kUploadPiece);
    for (;;) {
        const ssize_t got = ::read(in.get(), piece.data(), piece.size());
        if (got < 0) return SftpFailure::LocalFileFailed;
        if (got == 0) break;
        if (sftp_write(file.get(), piece.data(), size_t(got)) != got) return s.failureAfter(SftpFailure::TransferFailed);
        s.watchdog.progress();
        if (cancel && cancel->load()) {
            s.broken = true;
            return SftpFailure::Cancelled;
        }
    }
    return SftpFailure::None;
}

SftpFailure SftpConnection::rename(const std::string& from, const std::string& to) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    if (sftp_rename(s.sftp.get(), from.c_str(), to.c_str()) != SSH_OK)
        return s.statusFailure(SftpFailure::TransferFailed);
    return SftpFailure::None;
}

SftpFailure SftpConnection::makeFolder(const std::string& path) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    if (sftp_mkdir(s.sftp.get(), path.c_str(), 0755) != SSH_OK) return s.statusFailure(SftpFailure::TransferFailed);
    return SftpFailure::None;
}

}  // namespace tesselon

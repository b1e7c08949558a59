// Uploads, renames and new folders on an SFTP connection. An upload is written in
// pieces, one request after another, each bounded by the connection's idle wait; the
// whole file by the operation deadline plus its size at the slowest rate allowed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "remote/sftp/sftp_connection.h"
#include "remote/sftp/sftp_connection_state.h"
#include "runtime/fs/file_descriptor.h"

namespace tesselon {

namespace {

constexpr size_t kUploadPiece = 32 * 1024;  // what every SFTP server takes in one write
constexpr uint64_t kLongestUploadSeconds = 30 * 24 * 3600;
constexpr const char* kPosixRename = "posix-rename@openssh.com";
// A status reply holds its code, a message and a language tag: more is not a reply to it.
constexpr uint32_t kMaxStatusReply = 64 * 1024;
constexpr uint8_t kFxpExtended = 200;
constexpr uint8_t kFxpStatus = 101;

void putUint32(std::string& packet, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) packet += char((value >> shift) & 0xFF);
}

void putString(std::string& packet, std::string_view text) {
    putUint32(packet, uint32_t(text.size()));
    packet += text;
}

uint32_t uint32At(const unsigned char* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
}

bool readExactly(ssh_channel channel, unsigned char* into, uint32_t count) {
    uint32_t got = 0;
    while (got < count) {
        const int n = ssh_channel_read(channel, into + got, count - got, 0);
        if (n <= 0) return false;
        got += uint32_t(n);
    }
    return true;
}

// libssh 0.10 has no call for the extension, so the request goes out as its own packet
// while no other request of this connection is waiting: the status code the server
// answered, none when the exchange broke or the answer was not its status.
std::optional<uint32_t> posixRename(SftpConnection::State& s, const std::string& from, const std::string& to) {
    sftp_session sftp = s.sftp.get();
    const uint32_t id = ++sftp->id_counter;
    std::string body;
    body += char(kFxpExtended);
    putUint32(body, id);
    putString(body, kPosixRename);
    putString(body, from);
    putString(body, to);
    std::string packet;
    putUint32(packet, uint32_t(body.size()));
    packet += body;
    if (ssh_channel_write(sftp->channel, packet.data(), uint32_t(packet.size())) != int(packet.size()))
        return std::nullopt;
    unsigned char head[4];
    if (!readExactly(sftp->channel, head, 4)) return std::nullopt;
    const uint32_t length = uint32At(head);
    if (length < 9 || length > kMaxStatusReply) return std::nullopt;
    std::vector<unsigned char> reply(length);
    if (!readExactly(sftp->channel, reply.data(), length)) return std::nullopt;
    if (reply[0] != kFxpStatus || uint32At(&reply[1]) != id) return std::nullopt;
    return uint32At(&reply[5]);
}

}  // namespace

SftpFailure SftpConnection::upload(const FileInFolder& local, const std::string& remotePath,
                                   const std::atomic<bool>* cancel, const std::function<void(uint64_t)>& progress) {
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
    uint64_t sent = 0;
    for (;;) {
        const ssize_t got = ::read(in.get(), piece.data(), piece.size());
        if (got < 0) return SftpFailure::LocalFileFailed;
        if (got == 0) break;
        if (sftp_write(file.get(), piece.data(), size_t(got)) != got) return s.failureAfter(SftpFailure::TransferFailed);
        s.watchdog.progress();
        sent += uint64_t(got);
        if (progress) progress(sent);
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

SftpFailure SftpConnection::renameReplacing(const std::string& from, const std::string& to) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    if (sftp_extension_supported(s.sftp.get(), kPosixRename, "1") == 1) {
        WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
        const std::optional<uint32_t> status = posixRename(s, from, to);
        if (!status) {
            // The channel is out of step with its requests: nothing more can go on it.
            s.broken = true;
            return s.failureAfter(SftpFailure::ConnectionLost);
        }
        if (*status == SSH_FX_OK) return SftpFailure::None;
        return *status == SSH_FX_NO_SUCH_FILE || *status == SSH_FX_NO_SUCH_PATH ? SftpFailure::FolderMissing
                                                                                 : SftpFailure::TransferFailed;
    }
    // Without the extension the name is free for a moment: the old file goes first.
    const SftpFailure removed = remove(to);
    if (removed != SftpFailure::None && removed != SftpFailure::FolderMissing) return removed;
    return rename(from, to);
}

SftpFailure SftpConnection::fileSize(const std::string& path, uint64_t& bytes) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    const SftpAttributesHandle attributes(sftp_stat(s.sftp.get(), path.c_str()));
    if (!attributes) return s.statusFailure(SftpFailure::TransferFailed);
    if (!(attributes->flags & SSH_FILEXFER_ATTR_SIZE)) return SftpFailure::TransferFailed;
    bytes = attributes->size;
    return SftpFailure::None;
}

SftpFailure SftpConnection::remove(const std::string& path) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    if (sftp_unlink(s.sftp.get(), path.c_str()) != SSH_OK) return s.statusFailure(SftpFailure::TransferFailed);
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

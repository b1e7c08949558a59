// One SFTP connection over SSH: connected within a time bound, the server's host key
// checked against the known-hosts files before anything else is sent, logged in with a
// password; then folder listings and file downloads.
//
// Every wait is bounded: no answer within the idle bound, or an operation past its
// deadline, fails the operation as TimedOut and leaves the connection unusable (connect
// again). Failures are SftpFailure values; nothing throws.
//
// A connection is used by one thread at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "remote/sftp/known_hosts.h"
#include "remote/sftp/sftp_failure.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

inline constexpr int kSftpDefaultPort = 22;
// A file whose listing gave no size is fetched up to this many bytes, and none listed
// larger is fetched at all (SftpDownloadOptions::sizeBound).
inline constexpr uint64_t kSftpUnlistedSizeBound = uint64_t(1) << 30;
inline constexpr size_t kSftpMaxListingEntries = 1'000'000;

struct SftpTimeouts {
    // Longest wait for any answer of the server.
    std::chrono::milliseconds idle{30'000};
    // Deadline of a connection with its login, of one folder's listing and of any
    // other single request.
    std::chrono::milliseconds operation{60'000};
    // A download's deadline is `operation` plus its size at this many bytes a second,
    // so a server cannot hold a transfer open by trickling.
    uint64_t minimumBytesPerSecond = 1024;
};

struct SftpConnectOptions {
    std::string host;  // dotted IPv4 address or a name
    int port = kSftpDefaultPort;
    std::string user;
    std::string password;
    KnownHostsFiles knownHosts;
    // The "SHA256:..." fingerprint the user accepted for a host key no file knows yet
    // (the window's question, or --host-key). A changed key is refused whatever this
    // says, and so is every key while a known-hosts file cannot be read.
    std::string acceptedFingerprint;
    // Whether the accepted key is stored in knownHosts.accepted (the window's question)
    // or trusted for this connection only (--host-key).
    bool storeAccepted = true;
    SftpTimeouts timeouts;
    const std::atomic<bool>* cancel = nullptr;
};

// Special: a device, a FIFO or a socket. Unknown: the server did not say (it sent no
// type, or one this client does not know), so it may well be a file.
enum class SftpEntryKind { File, Folder, Link, Special, Unknown };

struct SftpEntry {
    std::string name;               // bytes as the server sent them
    std::optional<uint64_t> size;   // when the server gave one
    std::optional<int64_t> modified;  // seconds since 1970 UTC, when given
    SftpEntryKind kind = SftpEntryKind::Unknown;  // a link is listed as itself, never followed
};

struct SftpListing {
    SftpFailure failure = SftpFailure::None;
    std::vector<SftpEntry> entries;  // in the server's order; what arrived before a failure
};

struct SftpPath {
    SftpFailure failure = SftpFailure::None;
    std::string path;
};

struct SftpDownloadOptions {
    // The size the listing gave: the file must have exactly this many bytes. Without
    // one, at most `sizeBound`.
    std::optional<uint64_t> listedSize;
    // The most bytes a download may bring, listed or not: past it the transfer stops as
    // OverSizeBound, and a file listed larger is not asked for.
    uint64_t sizeBound = kSftpUnlistedSizeBound;
    // Called with the bytes written so far, after each piece.
    std::function<void(uint64_t)> progress;
    // Raising it stops the transfer (and ends the connection) within a moment.
    const std::atomic<bool>* cancel = nullptr;
};

struct SftpConnectResult;

class SftpConnection {
public:
    // Connects, checks the host key, logs in and starts the SFTP service.
    static SftpConnectResult connect(const SftpConnectOptions& options);

    SftpConnection(SftpConnection&&) noexcept;
    SftpConnection& operator=(SftpConnection&&) noexcept;
    ~SftpConnection();

    // False once an operation timed out, was cancelled or lost the connection.
    bool usable() const;
    // The server's host key, "SHA256:...".
    const std::string& hostKeyFingerprint() const;

    // The absolute path the server resolves `path` to (relative paths start in the
    // login folder); FolderMissing when it does not exist.
    SftpPath canonicalPath(const std::string& path);
    // The entries of a folder ("." and ".." included when the server sends them). More
    // than `maxEntries` entries, or names of more than `maxNameBytes` bytes together,
    // fail as OverBound, with the entries before the first one over kept.
    SftpListing list(const std::string& folder, size_t maxEntries = kSftpMaxListingEntries,
                     uint64_t maxNameBytes = UINT64_MAX);
    // Every later operation ends by `latest` at the latest, as TimedOut, whatever its
    // own bound (a whole scan's deadline); time_point::max() lifts the limit.
    void limitOperationsTo(std::chrono::steady_clock::time_point latest);
    // Fetches `remotePath` into a temporary beside `localPath` and renames it into
    // place once every byte arrived; on any failure `localPath` is left as it was.
    SftpFailure download(const std::string& remotePath, const std::string& localPath,
                         const SftpDownloadOptions& options = {});
    // The same into a file of an open folder, which the file cannot leave.
    SftpFailure download(const std::string& remotePath, const FileInFolder& local,
                         const SftpDownloadOptions& options = {});

    // Sends the regular file `local` as `remotePath`, replacing a file of that name.
    // Bounded by the operation deadline plus the file's size at the slowest rate.
    SftpFailure upload(const FileInFolder& local, const std::string& remotePath,
                       const std::atomic<bool>* cancel = nullptr,
                       const std::function<void(uint64_t)>& progress = {});
    // Renames `from` to `to` (the server refuses when `to` exists, as SFTP 3 says).
    SftpFailure rename(const std::string& from, const std::string& to);
    // Renames `from` to `to`, replacing a file named `to`: in one step with
    // posix-rename@openssh.com where the server offers it, else by removing `to` first.
    SftpFailure renameReplacing(const std::string& from, const std::string& to);
    SftpFailure makeFolder(const std::string& path);
    // The size of the file `path` (links followed, as a reader of it would).
    SftpFailure fileSize(const std::string& path, uint64_t& bytes);
    SftpFailure remove(const std::string& path);

    struct State;

private:
    explicit SftpConnection(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

struct SftpConnectResult {
    std::optional<SftpConnection> connection;  // when failure is None
    SftpFailure failure = SftpFailure::None;
    // The server's host key once it was seen ("SHA256:..."), also on failure: what the
    // window shows when asking to accept an unknown key.
    std::string fingerprint;
    // An accepted key was written to the file of accepted keys; false when none was
    // accepted, or when the file could not be written (the connection still went on).
    bool keyStored = false;
    // KnownHostsUnreadable: the file that could not be read, and why.
    std::string knownHostsFile;
    OpenProblem knownHostsProblem = OpenProblem::None;
};

}  // namespace tesselon

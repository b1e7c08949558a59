// One connection to a remote server, whatever protocol it speaks (FTP, FTPS, SFTP): the
// calls a scan, a download and an upload make, each answering a typed failure.
//
// Every call is bounded in bytes and time by the connection it runs on; a call that
// leaves the connection out of step with its server makes usable() false, and the
// caller connects again. A client is used by one thread at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/remote_outcomes.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

// Special: a device, a FIFO or a socket. Unknown: the server did not say.
enum class RemoteEntryKind { File, Folder, Link, Special, Unknown };

struct RemoteEntry {
    std::string name;                 // bytes as the server sent them
    RemoteEntryKind kind = RemoteEntryKind::Unknown;
    std::optional<uint64_t> size;     // when the server gave one
    std::optional<int64_t> modified;  // seconds since 1970 UTC, when given
};

struct RemoteListBounds {
    size_t maxEntries = 1'000'000;
    uint64_t maxNameBytes = UINT64_MAX;  // of all the names together
    // When the listing must have ended; past it the listing fails as TimedOut.
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

struct RemoteListing {
    // FolderMissing, ListingFailed (also past a bound: the entries before it are kept),
    // TimedOut, ConnectionLost.
    RemoteFailure failure = RemoteFailure::None;
    bool overBound = false;  // the listing stopped at one of its bounds
    std::vector<RemoteEntry> entries;  // in the server's order
};

struct RemoteFetchOptions {
    // The file must have exactly this many bytes; without one, at most `sizeBound`.
    std::optional<uint64_t> listedSize;
    // The most bytes it may bring, listed or not; a file listed larger is not asked for.
    uint64_t sizeBound = uint64_t(kMaxImageFileBytes);
    // The bytes written so far, after each piece.
    std::function<void(uint64_t)> progress;
    // Raising it stops the transfer within a moment, as Cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

struct RemoteStoreOptions {
    // The bytes sent so far, after each piece.
    std::function<void(uint64_t)> progress;
    // Raising it stops the transfer within a moment, as Cancelled; the connection is
    // then out of step (usable() false).
    const std::atomic<bool>* cancel = nullptr;
};

// The size of a remote file, as the server tells it.
struct RemoteFileSize {
    // TransferRefused: the server knows no file of that name (or will not say);
    // ConnectionLost, TimedOut.
    RemoteFailure failure = RemoteFailure::None;
    uint64_t bytes = 0;
};

class RemoteClient {
public:
    virtual ~RemoteClient() = default;

    virtual RemoteProtocol protocol() const = 0;
    // False once the connection lost step with its server or broke.
    virtual bool usable() = 0;
    // The entries of `folder` ("." and ".." as the server sends them).
    virtual RemoteListing list(const std::string& folder, const RemoteListBounds& bounds = {}) = 0;
    // Fetches `remotePath` into a temporary beside `target` and puts it in place once
    // it arrived whole; on any failure `target` is left as it was.
    virtual RemoteFailure fetch(const std::string& remotePath, const FileInFolder& target,
                                const RemoteFetchOptions& options = {}) = 0;
    // Sends the local file `source` as `remotePath` in binary, replacing a file of that
    // name; the server's confirmation ends it. Every piece is bounded in time.
    virtual RemoteFailure store(const FileInFolder& source, const std::string& remotePath,
                                const RemoteStoreOptions& options) = 0;
    RemoteFailure store(const FileInFolder& source, const std::string& remotePath) {
        return store(source, remotePath, RemoteStoreOptions{});
    }
    // Renames `from` to `to` on the server. `replace`: a file already named `to` gives
    // way, in one step where the server can (FTP's RNTO, SFTP's posix-rename), else by
    // removing it first.
    virtual RemoteFailure rename(const std::string& from, const std::string& to, bool replace) = 0;
    RemoteFailure rename(const std::string& from, const std::string& to) { return rename(from, to, false); }
    // Makes the folder `path` (its parent must exist).
    virtual RemoteFailure makeFolder(const std::string& path) = 0;
    // The size of the file `path` (binary for FTP's SIZE).
    virtual RemoteFileSize fileSize(const std::string& path) = 0;
    // Removes the file `path`.
    virtual RemoteFailure remove(const std::string& path) = 0;
};

}  // namespace tesselon

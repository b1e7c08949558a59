// One FTP session: a logged-in control connection, the last directory listing and the
// state of the transfer in hand.
//
// A session is move-only and owns its sockets; destroying it ends a running transfer,
// sends QUIT and closes the connection. Its state lives on the heap, so moving the
// session never moves what a download worker is using.
//
// One thread uses a session at a time. While a download runs on its worker, the
// owner may call only progress(), check(), abort() and close (the destructor).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "remote/ftp_listing.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

inline constexpr int kFtpDefaultTimeout = 30;  // seconds

// Progress values besides a byte count (0 or more).
inline constexpr int64_t kFtpTransferStarting = -1;
inline constexpr int64_t kFtpTransferFailed = -2;
inline constexpr int64_t kFtpTransferDone = -3;

struct FtpConnectOptions {
    std::string host;      // dotted IPv4 address or a name
    int port = 21;
    std::string user;      // bytes as sent on the wire
    std::string password;  // plain text
    bool passive = true;
    // Bounds the connects and every wait for a reply or for data.
    int timeoutSeconds = kFtpDefaultTimeout;
};

class FtpSession {
public:
    // Connects, reads the greeting and logs in (USER answered 331, PASS answered 230).
    // Nothing on failure; a connection that was made gets its QUIT first.
    static std::optional<FtpSession> connect(const FtpConnectOptions& options);

    FtpSession(FtpSession&&) noexcept;
    FtpSession& operator=(FtpSession&&) noexcept;
    ~FtpSession();

    // True without a word on the wire while a transfer runs or none has failed or
    // finished yet; otherwise whether PWD is answered with 257.
    bool check();
    // ".." is sent as CDUP, anything else as CWD.
    bool changeDir(std::string_view directory);
    bool makeDir(std::string_view directory);
    // The PWD path; empty on failure.
    std::string currentDir();

    // Lists the current directory (LIST on a data connection, ASCII type) and keeps the
    // entries for nextEntry(); false when the listing could not be started.
    bool list();
    bool nextEntry() { return listing_().next(); }
    const FtpListEntry* entry() const;

    // Sends a local file under `remoteName` (binary type) on the caller's thread.
    bool upload(const std::string& localPath, std::string_view remoteName);
    // Starts fetching `remoteName` into `local` on a worker thread and returns at once;
    // progress() then tells how it goes. The file is written beside `local` and renamed
    // into place only when the transfer completed. False when no worker could be
    // started.
    bool startDownload(std::string remoteName, FileInFolder local);
    bool startDownload(std::string remoteName, const std::string& localPath) {
        return startDownload(std::move(remoteName), fileAt(localPath));
    }
    // -1 starting, bytes so far, -3 done, -2 failed.
    int64_t progress() const;
    // Waits up to `ms` for a running download to end; true when none runs (any more).
    bool waitForTransfer(int ms);
    // Stops a running transfer and waits for its worker; the transfer ends as failed.
    // Returns at once when none runs.
    void abort();

    struct State;

private:
    explicit FtpSession(std::unique_ptr<State> state);
    FtpListing& listing_();

    std::unique_ptr<State> state_;
};

}  // namespace tesselon

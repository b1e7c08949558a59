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
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/remote_outcomes.h"
#include "remote/ftp_listing.h"
#include "remote/tls_context.h"
#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {

inline constexpr int kFtpDefaultTimeout = 30;        // seconds
inline constexpr int kFtpDefaultReplyDeadline = 60;  // seconds for a whole reply

// Bytes a download may bring at most, whatever the listing says: the largest image file
// the program reads.
inline constexpr int64_t kMaxDownloadSize = int64_t(kMaxImageFileBytes);

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
    // Bounds one whole reply, however slowly its bytes arrive.
    int replyDeadlineSeconds = kFtpDefaultReplyDeadline;
    // FTPS: AUTH TLS right after the greeting and every data connection encrypted,
    // trusting the authorities of `tlsContext` (made from `caFile`: empty for the
    // system's) and the host name; a certificate whose SHA-256 (lower-case hex) is one
    // of `pinnedCertificates` is taken whatever its chain or name.
    bool tls = false;
    std::string caFile;
    std::shared_ptr<const TlsClientContext> tlsContext;
    std::vector<std::string> pinnedCertificates;
};

// Why the last transfer failed.
enum class FtpTransferFailure {
    None,
    NotStarted,    // TYPE or RETR was refused
    NoDataConnection,  // PASV or PORT was refused, or the data connection did not come about
    NoAnswer,      // the server did not answer a command of the transfer in time, or hung up
    LocalFile,     // the local file could not be made or written
    TooLarge,      // more bytes than the listing gave, or than the download's size bound
    Short,         // the data ended before the size the listing gave
    Stalled,       // the data stopped or broke
    NotConfirmed,  // the server did not confirm the transfer (no 226)
    Aborted,
};

struct FtpConnectResult;

struct FtpRenameAndSize {
    bool renamed = false;           // RNFR answered 350 and RNTO 250
    std::optional<uint64_t> size;   // SIZE of the new name answered 213 with a number
};

class FtpSession {
public:
    // Connects, reads the greeting and logs in (USER answered 331, PASS answered 230).
    // On failure the outcome says why (a refused login with the server's reply code); a
    // connection that was made gets its QUIT first. Over FTPS the login waits for
    // AUTH TLS and a certificate that verifies (or is pinned); a certificate refused
    // ends the connection without another word, with the outcome's identity naming it.
    static FtpConnectResult connect(const FtpConnectOptions& options);

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
    // entries for nextEntry(). At most `maxLines` lines (up to kMaxListingLines) are
    // taken. Only a Complete listing holds the folder's every entry; after TooManyLines
    // the first `maxLines` entries are kept.
    FtpListOutcome list(size_t maxLines = kMaxListingLines) { return list(FtpListBounds{maxLines, UINT64_MAX, std::nullopt}); }
    // The same within `bounds`: after TooMuchText the entries whose names fit are kept;
    // PastDeadline leaves the session out of step.
    FtpListOutcome list(const FtpListBounds& bounds);
    bool nextEntry() { return listing_().next(); }
    const FtpListEntry* entry() const;

    // Sends a local file under `remoteName` (binary type) on the caller's thread.
    bool upload(const std::string& localPath, std::string_view remoteName);
    // The same from a file already open for reading. `sent` hears the bytes sent so
    // far after each piece; its false stops the transfer (which then fails).
    bool upload(FileDescriptor file, std::string_view remoteName,
                const std::function<bool(uint64_t)>& sent = {});
    // RNFR `from`, then RNTO `to`.
    bool rename(std::string_view from, std::string_view to);
    // SIZE in binary type: the file's bytes, none when the server refuses or says
    // something else than a number.
    std::optional<uint64_t> fileSize(std::string_view name);
    // DELE.
    bool remove(std::string_view name);
    // RNFR, RNTO and SIZE of the new name in one exchange (binary type).
    FtpRenameAndSize renameThenSize(std::string_view from, std::string_view to);
    // Starts fetching `remoteName` into `local` on the session's worker thread and returns
    // at once (a download still running is waited for first);
    // progress() then tells how it goes. The file is written beside `local` and renamed
    // into place only when exactly `listedSize` bytes arrived and the server confirmed
    // them; a transfer is cut as soon as it passes that size. A `listedSize` of 0 or
    // less means the listing gave none: then any size up to `sizeBound` is taken. A
    // file listed larger than that is not asked for. False when no worker could be
    // started.
    bool startDownload(std::string remoteName, FileInFolder local, int64_t listedSize,
                       int64_t sizeBound = kMaxDownloadSize);
    bool startDownload(std::string remoteName, const std::string& localPath, int64_t listedSize) {
        return startDownload(std::move(remoteName), fileAt(localPath), listedSize);
    }
    // With `prepare`, each download that ended whole is followed at once by PASV for the
    // next one (passive mode), so that the server is asked while the owner still picks
    // the next file; the reply waits for the next download, or goes unused by anything
    // else. Off by default: a session used for other commands meanwhile would only wait
    // for that reply.
    void prepareDataAfterDownloads(bool prepare);
    // -1 starting, bytes so far, -3 done, -2 failed.
    int64_t progress() const;
    // Why the last transfer failed; None while one runs or after a success.
    FtpTransferFailure transferFailure() const;
    // Waits up to `ms` for a running download to end; true when none runs (any more).
    bool waitForTransfer(int ms);
    // Stops a running transfer and waits for its worker; the transfer ends as failed.
    // Returns at once when none runs.
    void abort();

    struct State;

private:
    explicit FtpSession(std::unique_ptr<State> state);
    FtpListing& listing_();
    // The state, once the download worker is done with the control connection.
    State& idle_();

    std::unique_ptr<State> state_;
};

struct FtpConnectResult {
    std::optional<FtpSession> session;  // when the outcome is ok()
    RemoteConnectOutcome outcome;       // failure, reply code; server and port as asked
};

}  // namespace tesselon

// The open FTP sessions by handle, and the client's operations on a handle.
//
// A handle is a non-zero 32-bit number, so it fits the FtpID setting; several sessions
// may be open at once. Every operation on a handle that names no open session answers
// false, 0 or an empty text without touching the network.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "remote/ftp_client.h"
#include "remote/ftp_session.h"
#include "remote/spare_connections.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

using FtpID = int32_t;

class FtpSessionTable {
public:
    FtpSessionTable() = default;
    ~FtpSessionTable() { closeAll(); }
    FtpSessionTable(const FtpSessionTable&) = delete;
    FtpSessionTable& operator=(const FtpSessionTable&) = delete;

    // Takes the session and answers its new handle.
    FtpID add(FtpSession session);
    // The same for a session a client holds too: it ends once both let it go.
    FtpID add(std::shared_ptr<FtpSession> session);
    // The session, shared so that a close on another thread cannot pull it away from
    // under an operation in hand; null for an unknown handle.
    std::shared_ptr<FtpSession> find(FtpID id) const;
    // Forgets the handle; the session ends (QUIT) once nobody uses it any more.
    void remove(FtpID id);
    // Ends every open session, each with its QUIT.
    void closeAll();
    size_t size() const;

    // Connects and waits time out after this many seconds, and a whole reply after
    // replyDeadlineSeconds; tests shorten them.
    int timeoutSeconds = kFtpDefaultTimeout;
    int replyDeadlineSeconds = kFtpDefaultReplyDeadline;

    // The TLS context of FTPS sessions trusting `caFile` (empty: the system's
    // authorities), made on first use and kept while the file asked for stays the same;
    // null when the file cannot be read.
    std::shared_ptr<const TlsClientContext> tlsContext(const std::string& caFile);

    // What a scan left logged in for the download after it (FTP, FTPS and SFTP alike);
    // ended with the table.
    SpareConnections spares;

private:
    std::shared_ptr<const TlsClientContext> tls_;
    mutable std::mutex mutex_;
    std::map<FtpID, std::shared_ptr<FtpSession>> sessions_;
    FtpID next_ = 1;
};

// The session table `slot` holds (the program's), made there on first use.
FtpSessionTable& sessionTableIn(std::shared_ptr<FtpSessionTable>& slot);
// The end of the program: every session still open gets its QUIT.
void closeSessionsIn(const std::shared_ptr<FtpSessionTable>& slot);

// Connects and logs in with `options` (its timeouts replaced by the table's, and over
// FTPS its TLS context the table's for its CA file): the new handle, or 0 with the
// outcome saying why.
struct FtpOpenResult {
    FtpID id = 0;
    RemoteConnectOutcome outcome;
};
FtpOpenResult ftpOpen(FtpSessionTable& sessions, FtpConnectOptions options);
// The same as a client, which the table does not keep (FtpSessionTable::add does).
FtpClientResult connectFtpClient(FtpSessionTable& sessions, FtpConnectOptions options);

// Connects and logs in; the handle, or 0 on failure. `host` is an IPv4 address or a
// name; user and password travel as the bytes given.
FtpID ftpConnect(FtpSessionTable& sessions, std::string_view host, std::string_view user,
                 std::string_view password, bool passive, int port);
// Stops a running transfer, sends QUIT and forgets the handle.
void ftpClose(FtpSessionTable& sessions, FtpID id);
bool ftpIsOpen(FtpSessionTable& sessions, FtpID id);
bool ftpCheck(FtpSessionTable& sessions, FtpID id);
bool ftpChangeDir(FtpSessionTable& sessions, FtpID id, std::string_view directory);
bool ftpMakeDir(FtpSessionTable& sessions, FtpID id, std::string_view directory);
std::string ftpCurrentDir(FtpSessionTable& sessions, FtpID id);
// NotStarted for a handle that names no session.
FtpListOutcome ftpList(FtpSessionTable& sessions, FtpID id, size_t maxLines = kMaxListingLines);
FtpListOutcome ftpList(FtpSessionTable& sessions, FtpID id, const FtpListBounds& bounds);
bool ftpNextEntry(FtpSessionTable& sessions, FtpID id);
std::string ftpEntryName(FtpSessionTable& sessions, FtpID id);
int ftpEntryType(FtpSessionTable& sessions, FtpID id);
int64_t ftpEntrySize(FtpSessionTable& sessions, FtpID id);
// The entry's listed date (ftp_listing.h); kNoListedTime when it had none.
int64_t ftpEntryModified(FtpSessionTable& sessions, FtpID id);
bool ftpUpload(FtpSessionTable& sessions, FtpID id, const std::string& localPath, std::string_view remoteName);
// `listedSize`: the size the listing gave, 0 or less for none; `sizeBound`: the most
// bytes it may bring (FtpSession::startDownload).
bool ftpDownload(FtpSessionTable& sessions, FtpID id, const std::string& remoteName, const std::string& localPath,
                 int64_t listedSize);
// The same into a file of an open folder, which the file cannot leave.
bool ftpDownload(FtpSessionTable& sessions, FtpID id, const std::string& remoteName, FileInFolder local,
                 int64_t listedSize, int64_t sizeBound = kMaxDownloadSize);
int64_t ftpProgress(FtpSessionTable& sessions, FtpID id);
// Why the session's last transfer failed; NotStarted for a handle that names no session.
FtpTransferFailure ftpTransferFailure(FtpSessionTable& sessions, FtpID id);
// Waits up to `ms` for the session's running download to end, returning early when it
// does, so a caller polling the progress reacts at once.
void ftpWaitForTransfer(FtpSessionTable& sessions, FtpID id, int ms);
void ftpAbort(FtpSessionTable& sessions, FtpID id);

}  // namespace tesselon

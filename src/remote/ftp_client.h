// An FTP or FTPS connection as a RemoteClient: a logged-in session whose calls answer
// typed failures. Move-only; the session it holds ends (QUIT) with the last owner, so
// the session table can keep the same session under its FtpID while a client uses it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "remote/ftp_session.h"
#include "remote/remote_client.h"

namespace tesselon {

struct FtpClientResult;

class FtpClient final : public RemoteClient {
public:
    // Connects and logs in (FtpSession::connect).
    static FtpClientResult connect(const FtpConnectOptions& options);
    // A client of a session already open (one the session table holds).
    FtpClient(std::shared_ptr<FtpSession> session, bool tls) : session_(std::move(session)), tls_(tls) {}

    FtpClient(FtpClient&&) noexcept = default;
    FtpClient& operator=(FtpClient&&) noexcept = default;
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    RemoteProtocol protocol() const override { return tls_ ? RemoteProtocol::Ftps : RemoteProtocol::Ftp; }
    bool usable() override { return session_->check(); }
    // Enters `folder`, lists it and goes back where it was.
    RemoteListing list(const std::string& folder, const RemoteListBounds& bounds = {}) override;
    // The transfer runs on the session's worker while this thread waits for it.
    RemoteFailure fetch(const std::string& remotePath, const FileInFolder& target,
                        const RemoteFetchOptions& options = {}) override;
    using RemoteClient::rename;
    using RemoteClient::store;
    RemoteFailure store(const FileInFolder& source, const std::string& remotePath,
                        const RemoteStoreOptions& options) override;
    // RNTO replaces a file of the new name wherever the server lets it.
    RemoteFailure rename(const std::string& from, const std::string& to, bool replace) override;
    RemoteFailure makeFolder(const std::string& path) override;
    RemoteFileSize fileSize(const std::string& path) override;
    RemoteFailure remove(const std::string& path) override;
    // The three commands go out together: one wait for the server instead of three.
    RemoteFailure renameThenSize(const std::string& from, const std::string& to, bool replace,
                                 RemoteFileSize& after) override;

    // FTP's own walk, one folder at a time from the current one. ".." is CDUP.
    bool changeDir(std::string_view folder) { return session_->changeDir(folder); }
    std::string currentDir() { return session_->currentDir(); }
    // Lists the current folder within `bounds` (FtpSession::list), keeping the entries
    // packed in the session until forEachListed hands them over, the last line first,
    // while `each` answers true.
    FtpListOutcome listHere(const FtpListBounds& bounds) { return session_->list(bounds); }
    void forEachListed(const std::function<bool(const FtpListEntry&)>& each);

    // The same transfer in steps, for a caller that keeps its windows alive meanwhile:
    // startFetch, then poll until done; fetchFailure says why it failed.
    bool startFetch(const std::string& remotePath, const FileInFolder& target, int64_t listedSize, int64_t sizeBound);
    // Waits up to `ms` for the transfer; its bytes so far, or kFtpTransferStarting,
    // kFtpTransferDone, kFtpTransferFailed.
    int64_t pollFetch(int ms);
    RemoteFailure fetchFailure() const;
    void abortFetch() { session_->abort(); }
    // For a caller fetching one file after another: the data connection of the next
    // file is asked for as soon as one arrives whole (FtpSession::prepareDataAfterDownloads).
    void prepareFetches() { session_->prepareDataAfterDownloads(true); }

    const std::shared_ptr<FtpSession>& session() const { return session_; }

private:
    // A command refused: TransferRefused while the session still answers, else ConnectionLost.
    RemoteFailure failureOfCommand();

    std::shared_ptr<FtpSession> session_;  // never null
    bool tls_ = false;
    bool overListed_ = false;  // the file in hand is held to its listed size, not the bound
};

struct FtpClientResult {
    std::optional<FtpClient> client;  // when the outcome is ok()
    RemoteConnectOutcome outcome;
};

// A transfer's failure in the engine's terms. `overListed`: a file too large passed the
// size its listing gave, not the bound.
RemoteFailure remoteFailureOf(FtpTransferFailure failure, bool overListed);

}  // namespace tesselon

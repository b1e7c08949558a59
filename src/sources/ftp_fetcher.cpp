// The download's fetcher for FTP and FTPS: one client, each file on its session's own
// download worker. The first connection's session is kept in the table under FtpID.
#include "core/frontend.h"
#include "sources/check_connection.h"
#include "sources/kept_connections.h"
#include "sources/open_remote_client.h"
#include "sources/remote_fetcher.h"
#include "sources/sftp_source.h"

namespace tesselon {

namespace {

class FtpFetcher : public RemoteFetcher {
public:
    // `inFtpID`: the download's first session, which FtpID names as `id`.
    FtpFetcher(const RemoteContext& context, RemoteEndpoint endpoint, std::unique_ptr<FtpClient> client, FtpID id,
               bool inFtpID)
        : context_(context), endpoint_(std::move(endpoint)), client_(std::move(client)), id_(id), inFtpID_(inFtpID) {
        if (client_) client_->prepareFetches();
    }
    ~FtpFetcher() override {
        if (context_.keepConnections) handBack();
        else close();
    }

    // A session that lost step with its server (a stalled transfer, a cut one the server
    // did not answer, a reply past its bounds) is replaced before the next transfer, so
    // that a retry or the next file has a chance.
    bool ready() override {
        if (!lastFailed_ || (client_ && client_->usable())) return true;
        close();
        ConnectionCheck opened = checkConnection(context_, endpoint_, {true, true, false, !inFtpID_});
        client_.reset(dynamic_cast<FtpClient*>(opened.client.release()));
        if (client_) client_->prepareFetches();
        id_ = opened.handle;
        if (inFtpID_) {
            context_.keptSession = id_;
            if (context_.keepConnections) context_.sessions.spares.noteKept(id_, spareKeyOf(context_, endpoint_));
        }
        if (!client_) failure_ = RemoteFailure::ConnectionLost;
        return client_ != nullptr;
    }

    bool start(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
               int64_t sizeBound) override {
        failure_ = RemoteFailure::None;
        lastFailed_ = !client_ || !client_->startFetch(remotePath, target, listedSize, sizeBound);
        if (lastFailed_) failure_ = RemoteFailure::TransferRefused;
        return !lastFailed_;
    }

    int64_t poll(int ms) override {
        if (!client_) return kFetchFailed;
        // A front end without windows returns from its pumping at once; this waits for
        // the worker instead of spinning, and ends as soon as the transfer does.
        const int64_t progress = client_->pollFetch(ms);
        if (progress == kFtpTransferDone) return kFetchDone;
        if (progress == kFtpTransferFailed) {
            failure_ = client_->fetchFailure();
            client_->abortFetch();
            lastFailed_ = true;
            return kFetchFailed;
        }
        return progress < 0 ? kFetchRunning : progress;
    }

    RemoteFailure failure() const override { return failure_; }
    void abort() override {
        if (client_) client_->abortFetch();
    }

private:
    // Stops a transfer in hand and ends the session, in the table as well.
    void close() {
        if (!client_) return;
        client_->abortFetch();
        if (id_ != 0) context_.sessions.remove(id_);
        client_.reset();
        id_ = 0;
    }

    // A watch's next poll takes the connection again: the first stays in the table under
    // FtpID, a further one goes back among the spares.
    void handBack() {
        if (!client_) return;
        // A transfer in hand is cut. After a finished one the session's worker may still
        // be asking for the next file's data connection: cut in the middle of that
        // exchange the session would fall out of step, so it is let to end (whoever uses
        // the session next waits for it).
        const int64_t progress = client_->pollFetch(0);
        if (progress != kFtpTransferDone && progress != kFtpTransferFailed) client_->abortFetch();
        if (inFtpID_) client_.reset();
        else context_.sessions.spares.keep(spareKeyOf(context_, endpoint_), std::move(client_));
        id_ = 0;
    }

    const RemoteContext context_;  // a copy: the fetcher may outlive its caller's
    RemoteEndpoint endpoint_;
    std::unique_ptr<FtpClient> client_;
    FtpID id_;
    bool inFtpID_;
    RemoteFailure failure_ = RemoteFailure::None;
    bool lastFailed_ = false;  // the last transfer failed: check the session first
};

}  // namespace

size_t downloadConnections(const RemoteEndpoint& endpoint, size_t asked, DownloadConnectionsCap& cap) {
    cap = DownloadConnectionsCap::None;
    if (asked <= 1 || endpoint.protocol == RemoteProtocol::Sftp || endpoint.passive) return asked;
    // pyftpdlib forgets a finished data connection by its socket's number, which by then
    // another session's new socket may carry: that session's data connection (or its
    // control connection) is never served, and the transfer waits out its timeout. No
    // client can keep clear of it with several sessions at once; one session can.
    cap = DownloadConnectionsCap::ActiveMode;
    return 1;
}

std::unique_ptr<RemoteFetcher> openRemoteFetcher(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                                 RemoteConnectOutcome& outcome, FetcherConnection which) {
    const bool first = which == FetcherConnection::First;
    if (endpoint.protocol == RemoteProtocol::Sftp) return openSftpFetcher(context, endpoint, outcome, first);
    FtpSessionTable& sessions = context.sessions;
    const bool tls = endpoint.protocol == RemoteProtocol::Ftps;
    const std::string key = spareKeyOf(context, endpoint);
    // The sessions the scan left serve the download once they still answer (a session
    // that lost step, or that the server ended while it waited, does not); the one
    // FtpID names goes on as the first connection.
    if (first) {
        if (std::unique_ptr<FtpClient> client = takeKeptFtpSession(context, key, tls)) {
            outcome = spareOutcome(endpoint);
            return std::make_unique<FtpFetcher>(context, endpoint, std::move(client), context.keptSession, true);
        }
    } else if (std::optional<FtpClient> spare = takeSpareFtp(context, key)) {
        outcome = spareOutcome(endpoint);
        return std::make_unique<FtpFetcher>(context, endpoint, std::make_unique<FtpClient>(std::move(*spare)), 0,
                                            false);
    }
    // A session left by the scan for another server, or one no longer usable, is
    // replaced by a fresh one.
    if (first && ftpIsOpen(sessions, context.keptSession)) ftpClose(sessions, context.keptSession);
    ConnectionCheck opened = checkConnection(context, endpoint, {true, true, false, !first});
    if (first) {
        context.keptSession = opened.handle;
        sessions.spares.noteKept(opened.handle, key);
    }
    outcome = std::move(opened.report.connection);
    if (!opened.client) return nullptr;
    // A further connection is no session the window may name: the table forgets it.
    if (!first && opened.handle != 0) sessions.remove(opened.handle);
    std::unique_ptr<FtpClient> client(static_cast<FtpClient*>(opened.client.release()));
    return std::make_unique<FtpFetcher>(context, endpoint, std::move(client), first ? opened.handle : 0, first);
}

}  // namespace tesselon

// The download's fetcher for FTP and FTPS: one session of the table, kept in FtpID,
// with each file on the session's own download worker.
#include "core/frontend.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "sources/ftp_connection_test.h"
#include "sources/remote_fetcher.h"
#include "sources/sftp_source.h"

namespace tesselon {

namespace {

// `overListed`: a file too large passed the size its listing gave, not the bound.
RemoteFailure remoteFailureOf(FtpTransferFailure failure, bool overListed) {
    switch (failure) {
    case FtpTransferFailure::None: return RemoteFailure::None;
    case FtpTransferFailure::NotStarted: return RemoteFailure::TransferRefused;
    case FtpTransferFailure::NoDataConnection: return RemoteFailure::NoDataConnection;
    case FtpTransferFailure::NoAnswer: return RemoteFailure::TimedOut;
    case FtpTransferFailure::LocalFile: return RemoteFailure::LocalFileFailed;
    case FtpTransferFailure::TooLarge:
        return overListed ? RemoteFailure::LargerThanListed : RemoteFailure::OverSizeBound;
    case FtpTransferFailure::Short: return RemoteFailure::ShorterThanListed;
    case FtpTransferFailure::Stalled: return RemoteFailure::TransferBroken;
    case FtpTransferFailure::NotConfirmed: return RemoteFailure::NotConfirmed;
    case FtpTransferFailure::Aborted: return RemoteFailure::Cancelled;
    }
    return RemoteFailure::TransferBroken;
}

class FtpFetcher : public RemoteFetcher {
public:
    // `inFtpID`: the download's first session, which FtpID names.
    FtpFetcher(AppState& state, FtpID id, bool inFtpID)
        : state_(state), sessions_(ftpSessions(state)), id_(id), inFtpID_(inFtpID) {}
    ~FtpFetcher() override {
        if (ftpIsOpen(sessions_, id_)) ftpClose(sessions_, id_);
    }

    // A session that lost step with its server (a stalled transfer, a cut one the server
    // did not answer, a reply past its bounds) is replaced before the next transfer, so
    // that a retry or the next file has a chance.
    bool ready() override {
        if (!lastFailed_ || ftpCheck(sessions_, id_)) return true;
        ftpClose(sessions_, id_);
        id_ = testFtpConnection(state_, storedFtpConnection(state_), {true, true, false, !inFtpID_}).handle;
        if (inFtpID_) state_.settings.entorno.FtpID = id_;
        if (id_ == 0) failure_ = RemoteFailure::ConnectionLost;
        return id_ != 0;
    }

    bool start(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
               int64_t sizeBound) override {
        failure_ = RemoteFailure::None;
        overListed_ = listedSize > 0 && listedSize <= sizeBound;
        lastFailed_ = !ftpDownload(sessions_, id_, remotePath, target, listedSize, sizeBound);
        if (lastFailed_) failure_ = RemoteFailure::TransferRefused;
        return !lastFailed_;
    }

    int64_t poll(int ms) override {
        // A front end without windows returns from its pumping at once; this waits for
        // the worker instead of spinning, and ends as soon as the transfer does.
        if (ms > 0) ftpWaitForTransfer(sessions_, id_, ms);
        const int64_t progress = ftpProgress(sessions_, id_);
        if (progress == kFtpTransferDone) return kFetchDone;
        if (progress == kFtpTransferFailed) {
            failure_ = remoteFailureOf(ftpTransferFailure(sessions_, id_), overListed_);
            ftpAbort(sessions_, id_);
            lastFailed_ = true;
            return kFetchFailed;
        }
        return progress < 0 ? kFetchRunning : progress;
    }

    RemoteFailure failure() const override { return failure_; }
    void abort() override { ftpAbort(sessions_, id_); }

private:
    AppState& state_;
    FtpSessionTable& sessions_;
    FtpID id_;
    bool inFtpID_;
    RemoteFailure failure_ = RemoteFailure::None;
    bool lastFailed_ = false;  // the last transfer failed: check the session first
    bool overListed_ = false;  // the file in hand is held to its listed size, not the bound
};

}  // namespace

size_t downloadConnections(const AppState& state, size_t asked, DownloadConnectionsCap& cap) {
    const STRProcesosEntorno& env = state.settings.entorno;
    cap = DownloadConnectionsCap::None;
    if (asked <= 1 || remoteProtocolOf(env.protocolo) == RemoteProtocol::Sftp || env.pasivo != 0) return asked;
    // pyftpdlib forgets a finished data connection by its socket's number, which by then
    // another session's new socket may carry: that session's data connection (or its
    // control connection) is never served, and the transfer waits out its timeout. No
    // client can keep clear of it with several sessions at once; one session can.
    cap = DownloadConnectionsCap::ActiveMode;
    return 1;
}

std::unique_ptr<RemoteFetcher> openRemoteFetcher(AppState& state, RemoteConnectOutcome& outcome,
                                                 FetcherConnection which) {
    STRProcesosEntorno& env = state.settings.entorno;
    const bool first = which == FetcherConnection::First;
    if (remoteProtocolOf(env.protocolo) == RemoteProtocol::Sftp) return openSftpFetcher(state, outcome, first);
    FtpSessionTable& sessions = ftpSessions(state);
    // A session left by the scan is replaced by a fresh one.
    if (first && ftpIsOpen(sessions, env.FtpID)) ftpClose(sessions, env.FtpID);
    ConnectionTestResult opened = testFtpConnection(state, storedFtpConnection(state), {true, true, false, !first});
    if (first) env.FtpID = opened.handle;
    outcome = std::move(opened.report.connection);
    if (opened.handle == 0) return nullptr;
    return std::make_unique<FtpFetcher>(state, opened.handle, first);
}

}  // namespace tesselon

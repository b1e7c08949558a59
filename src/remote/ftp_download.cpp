#include <vector>

#include "remote/ftp_session_state.h"
#include "runtime/fs/file_replacement.h"

namespace tesselon {

namespace {

constexpr size_t kDownloadBlock = 64 * 1024;

// Receives the whole file into `file`, counting bytes in the session's progress, and
// stops as soon as more than `limit` bytes came. None when the server closed the data
// connection after the last byte.
FtpTransferFailure receiveFile(FtpSession::State& s, NetStream& data, FileReplacement& file, int64_t limit) {
    std::vector<char> block(kDownloadBlock);
    ReceivePace pace(s.timeoutSeconds);
    s.progress = 0;
    for (;;) {
        const long got = data.receiveSome(block.data(), block.size(), pace.deadline(), &s.abortRequested);
        if (got == 0) return FtpTransferFailure::None;
        if (got < 0) return s.abortRequested ? FtpTransferFailure::Aborted : FtpTransferFailure::Stalled;
        pace.received(size_t(got));
        if (got > limit - s.progress) return FtpTransferFailure::TooLarge;
        if (!file.write(block.data(), size_t(got))) return FtpTransferFailure::LocalFile;
        s.progress += got;
        if (s.abortRequested) return FtpTransferFailure::Aborted;
    }
}

// Why a transfer command went unaccepted: a server that stopped answering (or hung up)
// is told apart from one that said no, whose session is still in step.
FtpTransferFailure refusalOf(const FtpSession::State& s, FtpTransferFailure refused) {
    return s.reader.problem() == FtpReplyProblem::NoReply ? FtpTransferFailure::NoAnswer : refused;
}

}  // namespace

FtpTransferFailure runDownload(FtpSession::State& s, const std::string& remoteName, const FileInFolder& local,
                               int64_t listedSize, int64_t sizeBound) {
    if (listedSize > sizeBound) return FtpTransferFailure::TooLarge;
    FtpDataConnection data(s);
    FtpTransferFailure start = FtpTransferFailure::None;
    if (!s.setType("I")) {
        start = refusalOf(s, FtpTransferFailure::NotStarted);
    } else if (!data.open()) {
        start = refusalOf(s, FtpTransferFailure::NoDataConnection);
    } else if (!s.command("RETR ", remoteName, "125;150")) {
        start = refusalOf(s, FtpTransferFailure::NotStarted);
    } else if (!data.accept()) {
        // The server took RETR but its data connection never came (active mode), or did
        // not show the control connection's certificate.
        start = FtpTransferFailure::NoDataConnection;
    }
    if (start != FtpTransferFailure::None) {
        data.close();
        return start;
    }
    FileReplacement file(local);
    if (!file.ok()) {
        data.close();
        s.settleCutTransfer();
        return FtpTransferFailure::LocalFile;
    }
    const int64_t limit = listedSize > 0 ? listedSize : sizeBound;
    FtpTransferFailure failure = receiveFile(s, data.stream(), file, limit);
    data.close();
    switch (failure) {
    case FtpTransferFailure::None:
        // The server confirms a complete transfer with 226 (or 250); a connection it
        // closed early while reporting an error must not count as a whole file, nor
        // must fewer bytes than the listing gave.
        if (!s.reader.expectReply("226;250")) return FtpTransferFailure::NotConfirmed;
        if (listedSize > 0 && s.progress < listedSize) return FtpTransferFailure::Short;
        return file.commit() ? FtpTransferFailure::None : FtpTransferFailure::LocalFile;
    case FtpTransferFailure::TooLarge:
    case FtpTransferFailure::LocalFile:
        s.settleCutTransfer();
        return failure;
    default:
        // After an abort or a stall the final reply is not waited for, and the session
        // says so.
        s.outOfStep = true;
        return failure;
    }
}

}  // namespace tesselon

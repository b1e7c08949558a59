#include <vector>

#include "remote/ftp_session_state.h"
#include "runtime/fs/file_replacement.h"

namespace tesselon {

namespace {

constexpr size_t kDownloadBlock = 64 * 1024;

// Receives the whole file into `file`, counting bytes in the session's progress. True
// when the server closed the data connection after the last byte; false on a receive
// error, on nothing arriving within the timeout, on a failed write or on an abort.
bool receiveFile(FtpSession::State& s, int data, FileReplacement& file) {
    std::vector<char> block(kDownloadBlock);
    s.progress = 0;
    for (;;) {
        const long got = receiveSome(data, block.data(), block.size(), s.deadline(), &s.abortRequested);
        if (got == 0) return true;
        if (got < 0 || !file.write(block.data(), size_t(got))) return false;
        s.progress += got;
        if (s.abortRequested) return false;
    }
}

}  // namespace

int64_t runDownload(FtpSession::State& s, const std::string& remoteName, const FileInFolder& local) {
    FtpDataConnection data(s);
    if (!s.setType("I") || !data.open() || !s.command("RETR ", remoteName, "125;150") ||
        !data.accept()) {
        data.close();
        return kFtpTransferFailed;
    }
    FileReplacement file(local);
    if (!file.ok()) {
        data.close();
        s.reader.drainReply();
        return kFtpTransferFailed;
    }
    bool ok = receiveFile(s, data.fd(), file);
    data.close();
    // The server confirms a complete transfer with 226 (or 250); a connection it
    // closed early while reporting an error must not count as a whole file. After an
    // abort or a stall the final reply is not waited for, and the session says so.
    if (ok) {
        ok = s.reader.expectReply("226;250") && file.commit();
    } else {
        s.outOfStep = true;
    }
    return ok ? kFtpTransferDone : kFtpTransferFailed;
}

}  // namespace tesselon

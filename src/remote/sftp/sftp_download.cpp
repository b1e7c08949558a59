// Downloads keep several read requests in flight, as OpenSSH's own client does: one
// request at a time would wait a round trip per piece.
#include <algorithm>
#include <deque>
#include <fcntl.h>
#include <vector>

#include "remote/sftp/sftp_connection.h"
#include "remote/sftp/sftp_connection_state.h"
#include "runtime/fs/file_replacement.h"

namespace tesselon {

namespace {

constexpr uint32_t kPieceBytes = 64 * 1024;
// A server that answers reads short (many cap them at 32 KiB) is asked for pieces of the
// size it answers, down to this.
constexpr uint32_t kSmallestPiece = 4 * 1024;
constexpr size_t kRequestsInFlight = 32;
// The longest deadline a download gets, whatever its size.
constexpr uint64_t kLongestDownloadSeconds = 30 * 24 * 3600;

struct ReadRequest {
    int id;
    uint32_t length;
};

// Reads a file from its start into `out`. The requests cover the expected length in
// pieces, then that length's next byte alone, which must be answered with end of file
// (or the file is longer than expected), then, only for a file whose size was not
// listed, pieces up to the bound.
class Pipeline {
public:
    Pipeline(SftpConnection::State& state, sftp_file file, FileReplacement& out, uint64_t expected, uint64_t bound,
             const SftpDownloadOptions& options)
        : s_(state), file_(file), out_(out), expected_(expected), bound_(bound), options_(options),
          buffer_(kPieceBytes) {}

    SftpFailure run() {
        for (;;) {
            if (!issue()) return finish(s_.failureAfter(SftpFailure::TransferFailed));
            const ReadRequest request = pending_.front();
            pending_.pop_front();
            const int got = sftp_async_read(file_, buffer_.data(), request.length, uint32_t(request.id));
            if (got < 0) return finish(s_.failureAfter(SftpFailure::TransferFailed));
            s_.watchdog.progress();
            if (got == 0) {
                const bool whole = !options_.listedSize || received_ == *options_.listedSize;
                return finish(whole ? SftpFailure::None : SftpFailure::ShorterThanListed);
            }
            if (received_ + uint64_t(got) > bound_) {
                return finish(options_.listedSize ? SftpFailure::OverBound : SftpFailure::OverSizeBound);
            }
            if (!out_.write(buffer_.data(), size_t(got))) return finish(SftpFailure::LocalFileFailed);
            received_ += uint64_t(got);
            if (options_.progress) options_.progress(received_);
            // The watchdog also sees the flag, but only between its polls: a fast link
            // could finish the file first. Answers still in flight leave the channel
            // out of step, so the connection is given up, as the watchdog would.
            if (options_.cancel && options_.cancel->load()) {
                s_.broken = true;
                return SftpFailure::Cancelled;
            }
            if (uint32_t(got) < request.length) {
                // A short answer: the requests in flight no longer line up with what
                // arrived, so they are dropped and the reading goes on from here, in
                // pieces no larger than that answer. (libssh takes answers in the order
                // they were asked for: one asked for later cannot be taken first.)
                piece_ = std::max(kSmallestPiece, std::min(piece_, uint32_t(got)));
                if (!drain()) return s_.failureAfter(SftpFailure::TransferFailed);
                // A dropped request past the end left libssh's end-of-file mark set,
                // which would answer the next read with 0 at once: a seek clears it.
                if (sftp_seek64(file_, received_) != SSH_OK) return s_.failureAfter(SftpFailure::TransferFailed);
                next_ = received_;
            }
        }
    }

private:
    bool issue() {
        while (pending_.size() < kRequestsInFlight && next_ <= bound_) {
            uint64_t stop = next_ == expected_ ? next_ + 1 : next_ + piece_;
            if (next_ < expected_) stop = std::min(stop, expected_);
            stop = std::min(stop, bound_ + 1);
            if (sftp_tell64(file_) != next_ && sftp_seek64(file_, next_) != SSH_OK) return false;
            const uint32_t length = uint32_t(stop - next_);
            const int id = sftp_async_read_begin(file_, length);
            if (id < 0) return false;
            pending_.push_back({id, length});
            next_ = stop;
        }
        return !pending_.empty();
    }

    // Takes the answers still on their way, so none is left behind for a later request.
    bool drain() {
        bool ok = true;
        for (const ReadRequest& request : pending_) {
            // libssh answers 0 at once, without reading, once a file reached its end; a
            // seek clears that.
            sftp_seek64(file_, received_);
            if (ok && sftp_async_read(file_, buffer_.data(), request.length, uint32_t(request.id)) < 0) ok = false;
        }
        pending_.clear();
        return ok;
    }

    SftpFailure finish(SftpFailure failure) {
        if (!drain() && failure == SftpFailure::None) failure = s_.failureAfter(SftpFailure::TransferFailed);
        return failure;
    }

    SftpConnection::State& s_;
    sftp_file file_;
    FileReplacement& out_;
    uint64_t expected_;
    uint64_t bound_;
    const SftpDownloadOptions& options_;
    std::vector<char> buffer_;
    std::deque<ReadRequest> pending_;
    uint32_t piece_ = kPieceBytes;
    uint64_t next_ = 0;
    uint64_t received_ = 0;
};

// How many bytes to plan for: the listed size, else the size the open file reports.
uint64_t expectedSize(sftp_file file, const SftpDownloadOptions& options, uint64_t bound) {
    if (options.listedSize) return *options.listedSize;
    const SftpAttributesHandle attributes(sftp_fstat(file));
    if (attributes && (attributes->flags & SSH_FILEXFER_ATTR_SIZE)) return std::min(attributes->size, bound);
    return bound;
}

}  // namespace

SftpFailure SftpConnection::download(const std::string& remotePath, const std::string& localPath,
                                     const SftpDownloadOptions& options) {
    return download(remotePath, fileAt(localPath), options);
}

SftpFailure SftpConnection::download(const std::string& remotePath, const FileInFolder& local,
                                     const SftpDownloadOptions& options) {
    State& s = *state_;
    if (!usable()) return SftpFailure::ConnectionLost;
    if (options.listedSize && *options.listedSize > options.sizeBound) return SftpFailure::OverSizeBound;
    const uint64_t bound = options.listedSize.value_or(options.sizeBound);
    const uint64_t rate = std::max<uint64_t>(1, s.timeouts.minimumBytesPerSecond);
    const std::chrono::seconds transferTime(int64_t(std::min(bound / rate, kLongestDownloadSeconds)));
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline() + transferTime, options.cancel);
    const SftpFileHandle file(sftp_open(s.sftp.get(), remotePath.c_str(), O_RDONLY, 0));
    if (!file) return s.failureAfter(SftpFailure::TransferFailed);
    FileReplacement out(local);
    if (!out.ok()) return SftpFailure::LocalFileFailed;
    const uint64_t expected = expectedSize(file.get(), options, bound);
    const SftpFailure failure = Pipeline(s, file.get(), out, expected, bound, options).run();
    if (failure != SftpFailure::None) return failure;
    return out.commit() ? SftpFailure::None : SftpFailure::LocalFileFailed;
}

}  // namespace tesselon

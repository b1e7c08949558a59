#include "remote/ftp_client.h"

#include <fcntl.h>

#include <algorithm>

namespace tesselon {

namespace {

RemoteEntryKind kindOf(const FtpListEntry& entry) {
    return entry.type == kFtpEntryDirectory ? RemoteEntryKind::Folder : RemoteEntryKind::File;
}

}  // namespace

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

FtpClientResult FtpClient::connect(const FtpConnectOptions& options) {
    FtpConnectResult connected = FtpSession::connect(options);
    FtpClientResult result;
    result.outcome = std::move(connected.outcome);
    if (connected.session)
        result.client.emplace(std::make_shared<FtpSession>(std::move(*connected.session)), options.tls);
    return result;
}

void FtpClient::forEachListed(const std::function<bool(const FtpListEntry&)>& each) {
    while (session_->nextEntry()) {
        const FtpListEntry* entry = session_->entry();
        if (entry && !each(*entry)) return;
    }
}

RemoteListing FtpClient::list(const std::string& folder, const RemoteListBounds& bounds) {
    RemoteListing listing;
    const std::string back = session_->currentDir();
    if (!session_->changeDir(folder)) {
        listing.failure = session_->check() ? RemoteFailure::FolderMissing : RemoteFailure::ConnectionLost;
        return listing;
    }
    const FtpListOutcome outcome = listHere(FtpListBounds{bounds.maxEntries, bounds.maxNameBytes, bounds.deadline});
    forEachListed([&listing](const FtpListEntry& e) {
        RemoteEntry& entry = listing.entries.emplace_back();
        entry.name = e.name;
        entry.kind = kindOf(e);
        entry.size = uint64_t(std::max<int64_t>(0, e.size));
        if (e.modified != kNoListedTime) entry.modified = e.modified;
        return true;
    });
    // The cursor hands the last line first: the server's order is the other way round.
    std::reverse(listing.entries.begin(), listing.entries.end());
    switch (outcome) {
    case FtpListOutcome::Complete: break;
    case FtpListOutcome::TooManyLines:
    case FtpListOutcome::TooMuchText:
        listing.failure = RemoteFailure::ListingFailed;
        listing.overBound = true;
        break;
    case FtpListOutcome::PastDeadline: listing.failure = RemoteFailure::TimedOut; return listing;
    default: listing.failure = RemoteFailure::ListingFailed; break;
    }
    if (!back.empty() && !session_->changeDir(back) && listing.failure == RemoteFailure::None)
        listing.failure = RemoteFailure::ConnectionLost;
    return listing;
}

bool FtpClient::startFetch(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
                           int64_t sizeBound) {
    overListed_ = listedSize > 0 && listedSize <= sizeBound;
    return session_->startDownload(remotePath, target, listedSize, sizeBound);
}

int64_t FtpClient::pollFetch(int ms) {
    if (ms > 0) session_->waitForTransfer(ms);
    return session_->progress();
}

RemoteFailure FtpClient::fetchFailure() const { return remoteFailureOf(session_->transferFailure(), overListed_); }

RemoteFailure FtpClient::fetch(const std::string& remotePath, const FileInFolder& target,
                               const RemoteFetchOptions& options) {
    const int64_t bound = int64_t(std::min<uint64_t>(options.sizeBound, uint64_t(INT64_MAX)));
    const int64_t listed = options.listedSize ? int64_t(std::min<uint64_t>(*options.listedSize, uint64_t(INT64_MAX))) : 0;
    if (!startFetch(remotePath, target, listed, bound)) return RemoteFailure::TransferRefused;
    for (;;) {
        const int64_t progress = pollFetch(50);
        if (progress == kFtpTransferDone) return RemoteFailure::None;
        if (progress == kFtpTransferFailed) {
            const RemoteFailure failure = fetchFailure();
            session_->abort();
            return failure;
        }
        if (progress >= 0 && options.progress) options.progress(uint64_t(progress));
        if (options.cancel && options.cancel->load()) {
            session_->abort();
            return RemoteFailure::Cancelled;
        }
    }
}

RemoteFailure FtpClient::store(const FileInFolder& source, const std::string& remotePath,
                               const RemoteStoreOptions& options) {
    if (!source.folder.valid()) return RemoteFailure::LocalFileFailed;
    FileDescriptor file(::openat(source.folder.fd(), source.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid()) return RemoteFailure::LocalFileFailed;
    bool cancelled = false;
    const auto sent = [&](uint64_t bytes) {
        if (options.progress) options.progress(bytes);
        cancelled = options.cancel && options.cancel->load();
        return !cancelled;
    };
    if (session_->upload(std::move(file), remotePath, sent)) return RemoteFailure::None;
    if (cancelled) return RemoteFailure::Cancelled;
    return failureOfCommand();
}

RemoteFailure FtpClient::failureOfCommand() {
    return session_->check() ? RemoteFailure::TransferRefused : RemoteFailure::ConnectionLost;
}

RemoteFailure FtpClient::rename(const std::string& from, const std::string& to, bool) {
    if (session_->rename(from, to)) return RemoteFailure::None;
    return failureOfCommand();
}

RemoteFailure FtpClient::makeFolder(const std::string& path) {
    if (session_->makeDir(path)) return RemoteFailure::None;
    return failureOfCommand();
}

RemoteFileSize FtpClient::fileSize(const std::string& path) {
    if (const std::optional<uint64_t> bytes = session_->fileSize(path)) return {RemoteFailure::None, *bytes};
    return {failureOfCommand(), 0};
}

RemoteFailure FtpClient::remove(const std::string& path) {
    if (session_->remove(path)) return RemoteFailure::None;
    return failureOfCommand();
}

}  // namespace tesselon

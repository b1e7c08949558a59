#include "remote/sftp/sftp_client.h"

namespace tesselon {

namespace {

RemoteEntryKind kindOf(SftpEntryKind kind) {
    switch (kind) {
    case SftpEntryKind::File: return RemoteEntryKind::File;
    case SftpEntryKind::Folder: return RemoteEntryKind::Folder;
    case SftpEntryKind::Link: return RemoteEntryKind::Link;
    case SftpEntryKind::Special: return RemoteEntryKind::Special;
    case SftpEntryKind::Unknown: break;
    }
    return RemoteEntryKind::Unknown;
}

}  // namespace

RemoteFailure remoteFailureOf(SftpFailure failure) {
    switch (failure) {
    case SftpFailure::None: return RemoteFailure::None;
    case SftpFailure::CannotConnect: return RemoteFailure::CannotConnect;
    case SftpFailure::HostKeyUnknown: return RemoteFailure::HostKeyUnknown;
    case SftpFailure::HostKeyChanged: return RemoteFailure::HostKeyChanged;
    case SftpFailure::KnownHostsUnreadable: return RemoteFailure::KnownHostsUnreadable;
    case SftpFailure::LoginRefused: return RemoteFailure::LoginRefused;
    case SftpFailure::FolderMissing: return RemoteFailure::FolderMissing;
    case SftpFailure::ListingFailed: return RemoteFailure::ListingFailed;
    case SftpFailure::TransferFailed: return RemoteFailure::TransferRefused;
    case SftpFailure::ShorterThanListed: return RemoteFailure::ShorterThanListed;
    case SftpFailure::OverBound: return RemoteFailure::LargerThanListed;
    case SftpFailure::OverSizeBound: return RemoteFailure::OverSizeBound;
    case SftpFailure::UnsafeName: return RemoteFailure::UnsafeName;
    case SftpFailure::LocalFileFailed: return RemoteFailure::LocalFileFailed;
    case SftpFailure::TimedOut: return RemoteFailure::TimedOut;
    case SftpFailure::Cancelled: return RemoteFailure::Cancelled;
    case SftpFailure::ConnectionLost: return RemoteFailure::ConnectionLost;
    }
    return RemoteFailure::TransferBroken;
}

RemoteConnectOutcome connectOutcomeOf(const SftpConnectOptions& options, const SftpConnectResult& result) {
    RemoteConnectOutcome outcome;
    outcome.protocol = RemoteProtocol::Sftp;
    outcome.server = options.host;
    outcome.port = options.port;
    outcome.user = options.user;
    outcome.failure = remoteFailureOf(result.failure);
    outcome.identity = ServerIdentity{RemoteProtocol::Sftp, options.host, options.port, result.fingerprint, {}, {}};
    outcome.knownHostsFile = result.knownHostsFile;
    outcome.knownHostsProblem = result.knownHostsProblem;
    return outcome;
}

SftpClientResult SftpClient::connect(const SftpConnectOptions& options) {
    SftpConnectResult connected = SftpConnection::connect(options);
    SftpClientResult result;
    result.outcome = connectOutcomeOf(options, connected);
    if (connected.connection) result.client.emplace(std::move(*connected.connection));
    connected.connection.reset();
    result.connected = std::move(connected);
    return result;
}

RemoteListing SftpClient::list(const std::string& folder, const RemoteListBounds& bounds) {
    if (bounds.deadline) connection_.limitOperationsTo(*bounds.deadline);
    const SftpListing listed = connection_.list(folder, bounds.maxEntries, bounds.maxNameBytes);
    if (bounds.deadline) connection_.limitOperationsTo(std::chrono::steady_clock::time_point::max());
    RemoteListing listing;
    listing.overBound = listed.failure == SftpFailure::OverBound;
    listing.failure = listing.overBound ? RemoteFailure::ListingFailed : remoteFailureOf(listed.failure);
    listing.entries.reserve(listed.entries.size());
    for (const SftpEntry& e : listed.entries) listing.entries.push_back({e.name, kindOf(e.kind), e.size, e.modified});
    return listing;
}

RemoteFailure SftpClient::fetch(const std::string& remotePath, const FileInFolder& target,
                                const RemoteFetchOptions& options) {
    SftpDownloadOptions download;
    download.listedSize = options.listedSize;
    download.sizeBound = options.sizeBound;
    download.progress = options.progress;
    download.cancel = options.cancel;
    return remoteFailureOf(connection_.download(remotePath, target, download));
}

RemoteFailure SftpClient::store(const FileInFolder& source, const std::string& remotePath,
                                const RemoteStoreOptions& options) {
    return remoteFailureOf(connection_.upload(source, remotePath, options.cancel, options.progress));
}

RemoteFailure SftpClient::rename(const std::string& from, const std::string& to, bool replace) {
    return remoteFailureOf(replace ? connection_.renameReplacing(from, to) : connection_.rename(from, to));
}

RemoteFileSize SftpClient::fileSize(const std::string& path) {
    uint64_t bytes = 0;
    const SftpFailure failure = connection_.fileSize(path, bytes);
    // A file the server does not know is a refusal, as FTP's SIZE answers it.
    if (failure == SftpFailure::FolderMissing) return {RemoteFailure::TransferRefused, 0};
    return {remoteFailureOf(failure), bytes};
}

RemoteFailure SftpClient::remove(const std::string& path) { return remoteFailureOf(connection_.remove(path)); }

RemoteFailure SftpClient::makeFolder(const std::string& path) { return remoteFailureOf(connection_.makeFolder(path)); }

}  // namespace tesselon

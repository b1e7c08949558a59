#include "cli/remote_texts.h"

#include "remote/sftp/known_hosts.h"

namespace tesselon {

namespace {

// "1024 MiB", "3000 bytes": a bound as the user would write it.
std::string amountOf(int64_t bytes) {
    constexpr int64_t kMiB = int64_t(1) << 20;
    if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

// The reason, with the bound a file passed when it passed one.
std::string reasonWithBound(const FailedRemoteFile& file) {
    switch (file.failure) {
    case RemoteFailure::LargerThanListed:
        if (file.bound <= 0) break;
        return "the file is larger than the " + amountOf(file.bound) + " the server listed for it; not tried again";
    case RemoteFailure::OverSizeBound:
        if (file.bound <= 0) break;
        return "the file is larger than " + amountOf(file.bound) + ", the most one download may bring; not tried again";
    default: break;
    }
    return describeRemoteFailure(file.failure);
}

std::string where(const RemoteConnectOutcome& c) {
    return c.server + " port " + std::to_string(c.port);
}

std::string certificateReason(const ServerIdentity& identity) {
    switch (identity.certificate) {
    case CertificateProblem::Untrusted: return "it is self-signed or signed by an authority the system does not trust";
    case CertificateProblem::WrongName:
        return "it was made out for another name" + (identity.subject.empty() ? "" : " ('" + identity.subject + "')");
    case CertificateProblem::Expired: return "it has expired";
    case CertificateProblem::NotYetValid: return "it is not valid yet";
    default: return "it is not valid";
    }
}

std::string knownHostsReason(OpenProblem problem) {
    switch (problem) {
    case OpenProblem::NotRegular: return "is not a regular file";
    case OpenProblem::TooLarge: return "is larger than " + std::to_string(kMaxKnownHostsBytes >> 20) + " MiB";
    default: return "cannot be read";
    }
}

}  // namespace

std::string connectionFailureText(const RemoteConnectOutcome& c) {
    const std::string& fingerprint = c.identity.fingerprint;
    switch (c.failure) {
    case RemoteFailure::None: return {};
    case RemoteFailure::HostNotFound: return "cannot find the server '" + c.server + "'";
    case RemoteFailure::CannotConnect: return "cannot connect to " + where(c);
    case RemoteFailure::LoginRefused:
        return "the server " + where(c) + " refused the login of user '" + c.user + "'" +
               (c.replyCode > 0 ? " (reply " + std::to_string(c.replyCode) + ")" : "");
    case RemoteFailure::ProtocolUnavailable:
        return std::string("this build of tesselon-batch cannot use ") + protocolName(c.protocol) +
               "; nothing was sent to " + where(c);
    case RemoteFailure::TlsRefused:
        return "the server " + where(c) + " refused to encrypt the connection" +
               (c.replyCode > 0 ? " (reply " + std::to_string(c.replyCode) + ")" : "") +
               "; nothing more was sent";
    case RemoteFailure::TlsFailed: return "the TLS handshake with " + where(c) + " failed; nothing more was sent";
    case RemoteFailure::CertificateRefused:
        return "refusing the certificate of " + where(c) + ": " + certificateReason(c.identity) +
               "; nothing more was sent. Its SHA-256 fingerprint is " + fingerprint +
               "; to trust this certificate, run again with --pin-sha256 " + fingerprint;
    case RemoteFailure::HostKeyUnknown:
        return "the host key of " + where(c) + " is not known: " + fingerprint +
               "; nothing more was sent. Check the fingerprint with the server's administrator; to trust it, run "
               "again with --host-key " + fingerprint;
    case RemoteFailure::HostKeyChanged:
        return "WARNING: the host key of " + where(c) + " has changed (now " + fingerprint +
               "): someone may be intercepting the connection, or the server's key was replaced. Refusing; if the "
               "change is expected, remove the old key from the known_hosts files";
    case RemoteFailure::KnownHostsUnreadable:
        return "cannot check the host key of " + where(c) + ": the known-hosts file '" + c.knownHostsFile + "' " +
               knownHostsReason(c.knownHostsProblem) +
               ", and it could hold the key known for this server. Every SFTP server is refused until the file is "
               "mended (made readable, made smaller or removed); nothing was sent";
    case RemoteFailure::TimedOut: return "the server " + where(c) + " stopped answering";
    case RemoteFailure::Cancelled: return "the connection to " + where(c) + " was cancelled";
    default: return "the connection to " + where(c) + " broke off";
    }
}

std::string describeRemoteFailure(RemoteFailure failure) {
    switch (failure) {
    case RemoteFailure::FolderMissing: return "the server's folder cannot be entered";
    case RemoteFailure::ListingFailed: return "the server's folder could not be listed";
    case RemoteFailure::UnsafeName: return "its path would leave the download folder";
    case RemoteFailure::TransferRefused: return "the server refused the file";
    case RemoteFailure::TransferBroken: return "the transfer broke off";
    case RemoteFailure::NoDataConnection: return "no data connection could be made with the server";
    case RemoteFailure::LargerThanListed: return "the file is larger than the server listed it";
    case RemoteFailure::OverSizeBound: return "the file is larger than one download may bring";
    case RemoteFailure::NotRegularFile:
        return "not a regular file on the server (a link, a device, a FIFO or a socket)";
    case RemoteFailure::ShorterThanListed: return "the file is shorter than the server listed it";
    case RemoteFailure::NotConfirmed: return "the server did not confirm the transfer";
    case RemoteFailure::LocalFileFailed: return "the local file could not be written";
    case RemoteFailure::ConnectionLost: return "the connection to the server was lost";
    case RemoteFailure::TimedOut: return "the server stopped answering";
    case RemoteFailure::Cancelled: return "cancelled";
    default: return "the download failed";
    }
}

std::string failedDownloadReason(const FailedRemoteFile& file) {
    if (file.attempt == 0) return "not downloaded: " + reasonWithBound(file);
    return "the download failed " + std::to_string(file.attempt) + (file.attempt == 1 ? " time: " : " times: ") +
           reasonWithBound(file);
}

std::string connectionsCapText(DownloadConnectionsCap cap, size_t asked) {
    switch (cap) {
    case DownloadConnectionsCap::None: return {};
    case DownloadConnectionsCap::ActiveMode:
        return "active mode: the files were downloaded over one connection, not " + std::to_string(asked) +
               ": some servers lose data connections when several are open at once; --passive downloads " +
               std::to_string(asked) + " at once";
    }
    return {};
}

std::string publishNameText(PublishNameProblem problem) {
    switch (problem) {
    case PublishNameProblem::None: break;
    case PublishNameProblem::Empty: return "its name on the server would be empty";
    case PublishNameProblem::DotComponent: return "its path on the server would hold \".\" or \"..\"";
    case PublishNameProblem::SlashInName: return "its file name holds a \"/\"";
    case PublishNameProblem::ControlByte: return "its path holds a NUL, CR or LF byte no server command can carry";
    case PublishNameProblem::NotBeneath: return "its source does not lie beneath the scanned folder";
    case PublishNameProblem::TooLong:
        return "its path on the server would be longer than " + std::to_string(kMaxPublishPathBytes) + " bytes";
    }
    return "its name cannot be sent to the server";
}

std::string publishFailureText(const PublishItemOutcome& o) {
    const std::string left = o.temporaryLeft ? "; its temporary '" + o.temporary + "' may be left on the server" : "";
    switch (o.failure) {
    case PublishFailure::None: return {};
    case PublishFailure::UnsafeName: return "not published: " + publishNameText(o.name);
    case PublishFailure::OverDownloadedSource:
        return "not published: it would replace a source this run downloaded (--overwrite --yes allows it)";
    case PublishFailure::LocalFileFailed: return "not published: the result cannot be read";
    case PublishFailure::FolderRefused:
        return "not published: the server refused to make the folder '" + o.folder + "'";
    case PublishFailure::UploadFailed: return "not published: " + describeRemoteFailure(o.remote) + left;
    case PublishFailure::RenameFailed:
        return "not published: the server refused to rename the upload onto its name (" +
               describeRemoteFailure(o.remote) + ")" + left;
    case PublishFailure::RenameMisplaced:
        return "not published: the server answered the rename, but no file stands under the name afterwards";
    case PublishFailure::SizeDisagrees:
        return "not published: the server holds " + std::to_string(o.serverBytes) + " bytes under the name, not the " +
               std::to_string(o.bytes) + " sent";
    case PublishFailure::NoConnection: return "not published: no connection to the server";
    case PublishFailure::Cancelled: return "not published: the run was stopped";
    }
    return "not published";
}

}  // namespace tesselon

// What a remote source (FTP, FTPS or SFTP) did: the values the engine hands its front
// ends, which put them in their own words (the desktop in Spanish, tesselon-batch in
// English). No text here is meant to be shown as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/remote_protocol.h"
#include "core/scan_problem.h"
#include "runtime/fs/regular_file.h"

namespace tesselon {

enum class RemoteFailure {
    None,
    // Reaching the server and logging in.
    HostNotFound,        // the name does not resolve to an IPv4 address
    CannotConnect,       // no connection, or it broke off before the login
    TlsRefused,          // FTPS: the server refused AUTH TLS or protected data
    TlsFailed,           // the TLS handshake broke off
    CertificateRefused,  // FTPS: the certificate did not verify (CertificateProblem says why)
    HostKeyUnknown,      // SFTP: no file knows the server's key, and it was not accepted
    HostKeyChanged,      // SFTP: another key is known for the server, or this one is revoked
    KnownHostsUnreadable,  // SFTP: a known-hosts file cannot be read, so no server's key can be checked
    LoginRefused,        // the server refused the user and password (FTP 530)
    ProtocolUnavailable, // this build cannot speak the protocol asked for (nothing was sent)
    // Folders and names.
    FolderMissing,       // the remote folder cannot be entered
    ListingFailed,       // a folder could not be listed whole
    UnsafeName,          // a name that would leave the download folder
    // One file.
    TransferRefused,     // the server would not send it
    TransferBroken,      // the data stopped or broke off
    NoDataConnection,    // no data connection could be made for it (PASV or PORT refused, none came)
    LargerThanListed,    // more bytes than the listing gave
    OverSizeBound,       // more bytes than a download may bring, listed so or sent
    NotRegularFile,      // listed as a link, a device, a FIFO or a socket: not fetched
    ShorterThanListed,   // fewer bytes than the listing gave
    NotConfirmed,        // the server did not confirm the transfer
    LocalFileFailed,     // the local file could not be written or put in place
    // Any step.
    ConnectionLost,      // the connection broke in an earlier step
    TimedOut,            // the server stopped answering
    Cancelled,           // the user asked to stop
};

// Why a server certificate did not verify.
enum class CertificateProblem {
    None,
    Untrusted,    // self-signed, or from an authority the system does not know
    WrongName,    // made out for another host name
    Expired,
    NotYetValid,
    Invalid,      // any other fault of the certificate or its chain
};

// Who the server said it was: its certificate (FTPS) or its host key (SFTP).
struct ServerIdentity {
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    std::string host;
    int port = 0;
    // FTPS: the certificate's SHA-256 in lower-case hex; SFTP: "SHA256:" and base64.
    std::string fingerprint;
    CertificateProblem certificate = CertificateProblem::None;
    std::string subject;  // FTPS: the name the certificate was made out for, when it has one
};

// How connecting and logging in went.
struct RemoteConnectOutcome {
    RemoteFailure failure = RemoteFailure::None;
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    std::string server;  // as configured
    int port = 0;
    std::string user;
    int replyCode = 0;   // the FTP reply that refused the login or AUTH TLS; 0 when none
    ServerIdentity identity;  // filled once the server showed it
    bool declined = false;    // the user was asked to trust that identity and said no
    // KnownHostsUnreadable: the file that could not be read (NotRegular, TooLarge or
    // Unreadable); every server is refused until it is mended.
    std::string knownHostsFile;
    OpenProblem knownHostsProblem = OpenProblem::None;
    bool ok() const { return failure == RemoteFailure::None; }
};

// The connection test of the connection window, and the opening of a scan's or a
// download's connection.
struct ConnectionTestReport {
    RemoteConnectOutcome connection;
    std::string folder;        // the folder tested, trimmed; empty when none was given
    bool folderValid = false;  // it could be entered
    bool uploadCancelled = false;  // the test upload was cancelled by the user
};

enum class RemotePhase {
    Scanning,     // `found` images so far, the last one `name`
    Downloading,  // file `index` of `total`; `bytes` of its `size` so far
    Uploading,    // the connection test's upload: file `index` of `total`
};

// Where a remote operation is. A download reports each file's start (bytes -1, and
// again after a retry) and then its bytes; index 0 announces the operation itself.
struct RemoteProgress {
    RemotePhase phase = RemotePhase::Scanning;
    size_t index = 0;
    size_t total = 0;
    int64_t bytes = -1;
    int64_t size = 0;
    size_t found = 0;
    std::string name;  // a remote path or name, bytes as the server sent them
};

// Progress at entry `index` of `total` in `phase`, with no file in hand.
inline RemoteProgress progressAt(RemotePhase phase, size_t index, size_t total) {
    RemoteProgress progress;
    progress.phase = phase;
    progress.index = index;
    progress.total = total;
    return progress;
}

// How a remote scan went, beside the images it found.
struct RemoteScanOutcome {
    RemoteConnectOutcome connection;  // failure None once connected
    // The scanned folder itself: FolderMissing, ListingFailed (with the problem), None.
    RemoteFailure failure = RemoteFailure::None;
    std::string folder;                 // the scanned folder, without a trailing "/"
    std::vector<ScanProblem> problems;  // what it passed by, in the order met
    int skippedNames = 0;               // names skipped because they cannot be local names
    bool stopped = false;               // ended early: the entry limit, or the connection broke
    size_t entryLimit = 0;              // the limit of listing entries it had
    int depthLimit = 0;                 // the deepest level of folders it entered
    uint64_t pathTextLimit = 0;         // the bytes of path text it could list in all
    size_t pathLengthLimit = 0;         // the longest path it took, in bytes
    int deadlineSeconds = 0;            // the time it had in all
};

// A file of a remote download that failed: the question whether to retry it.
struct FailedRemoteFile {
    std::string path;  // the remote path
    RemoteFailure failure = RemoteFailure::TransferBroken;
    int attempt = 1;   // 1 for the first try
    // LargerThanListed: the size listed; OverSizeBound: the download's bound. A file
    // that passed either is not tried again.
    int64_t bound = 0;
};

enum class RetryAnswer { Retry, Skip, Cancel };

// Why a download keeps to fewer connections than it was asked for.
enum class DownloadConnectionsCap {
    None,
    // FTP in active mode: one connection. Servers such as pyftpdlib lose the data
    // connection of one session while another session of the same client opens its own.
    ActiveMode,
};

// How a remote download ended.
struct RemoteDownloadOutcome {
    enum class End {
        NotRemote,        // the source is local: nothing happened
        LastScanLocal,    // the list came from a local scan and no rescan was wanted
        EmptyList,        // nothing to download
        FolderFailed,     // the download folder could not be made or opened
        NoConnection,     // the server could not be reached or refused the login
        SubfolderFailed,  // a folder below the download folder could not be made; stopped
        Finished,         // every file was gone through (some may have been skipped)
        Cancelled,        // the user stopped it
    };
    End end = End::NotRemote;
    bool cancelledOnFailure = false;  // by Cancel to a failed file (not the progress window)
    std::string folder;               // FolderFailed, SubfolderFailed: the local folder
    RemoteConnectOutcome connection;  // NoConnection: why
    std::vector<FailedRemoteFile> skipped;  // files left out, with their last failure
    size_t fetched = 0;
    size_t unchanged = 0;  // kept: the local copy has the server's size and time
    size_t connections = 0;  // the connections the download had at most
    // Why it had fewer than asked for, when the reason is one the user should hear of.
    DownloadConnectionsCap cap = DownloadConnectionsCap::None;

    // The files were gone through, so some may be on disk.
    bool started() const { return end == End::SubfolderFailed || end == End::Finished || end == End::Cancelled; }
};

}  // namespace tesselon

// What a remote operation (a connection test, a scan, a download) needs of the program
// that runs it: whom to show and ask, the open FTP sessions, what the user trusts, and
// the token the front end raises when the user cancels. The front end composes it for
// each run; the operation never sees the rest of the program's state.
#pragma once

#include <cstdint>
#include <string>

#include "core/cancel_token.h"
#include "core/remote_endpoint.h"
#include "remote/ftp_sessions.h"

namespace tesselon {

class Frontend;

// The trust inputs of a connection.
struct RemoteTrust {
    // The authorities FTPS servers are checked against (tesselon-batch --ca-file);
    // empty: TESSELON_CA_FILE's, else the system's.
    std::string caFile;
    // An FTPS certificate trusted for this run alone (--pin-sha256): SHA-256, lower-case hex.
    std::string pinnedCertificate;
    // An SFTP host key trusted for this run alone (--host-key): "SHA256:" and base64.
    std::string acceptedHostKey;
    // The program's own folder, ending with "/": its file of pinned certificates and
    // its file of accepted host keys live there, and so does the test pack.
    std::string programFolder;
};

struct RemoteContext {
    Frontend& frontend;
    FtpSessionTable& sessions;
    RemoteTrust trust;
    CancelToken& cancel;
    // The FtpID setting: the handle of the FTP session a scan, or a download's first
    // connection, leaves open for the connection window (0: none).
    FtpID& keptSession;
    // How long the walk of a scan's folders may take in all (tesselon-batch --scan-timeout).
    int scanSeconds = kDefaultRemoteScanSeconds;
    // A scan counts here the images it found (TotalImagesOrigen); may be null.
    int64_t* imagesFound = nullptr;
    // Connections a scan lists folders over at once; the download takes them over.
    int connections = kDefaultRemoteConnections;
    // A watch polling the server: the scan and the download leave their connections open
    // for the next poll, which takes them again once they still answer. Off, each scan
    // starts afresh and the download ends them all.
    bool keepConnections = false;
};

// The program folder's file of host keys the user accepted.
inline std::string acceptedHostKeysFile(const RemoteTrust& trust) { return trust.programFolder + "known_hosts"; }
// The program folder's file of pinned certificates.
inline std::string pinnedCertificatesFile(const RemoteTrust& trust) {
    return trust.programFolder + "trusted_certificates";
}
// Folder of the test images: "_FTPimg/" beside the program.
inline std::string testPackFolder(const RemoteTrust& trust) { return trust.programFolder + "_FTPimg/"; }

}  // namespace tesselon

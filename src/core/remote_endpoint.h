// A remote source as the engine uses it: the settings' text fields ("R", "sftp", "2222",
// the protected password) parsed once into typed values.
#pragma once

#include <cstdint>
#include <string>

#include "core/remote_protocol.h"

namespace tesselon {

struct RemoteEndpoint {
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    std::string host;
    // 0 when the stored text is no port (empty, not a number, 0 or above 65535): no
    // connection can be made to it.
    uint16_t port = 0;
    std::string user;
    std::string password;  // plain text, as sent to the server
    bool passive = false;  // FTP and FTPS data connections
    std::string folder;    // the remote folder of the images, as stored
};

// How long the walk of a remote scan's folders may take in all unless the user says.
inline constexpr int kDefaultRemoteScanSeconds = 3600;
// Connections a remote scan lists over, and its download fetches over, at once
// unless the user says.
inline constexpr int kDefaultRemoteConnections = 4;

// Where a job's images come from.
enum class SourceKind { Local, Remote };

}  // namespace tesselon

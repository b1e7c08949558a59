// Which protocol a remote source speaks, and its name as the settings store it.
#pragma once

#include <string_view>

namespace tesselon {

enum class RemoteProtocol { Ftp, Ftps, Sftp };

// "ftp", "ftps" or "sftp".
constexpr const char* protocolName(RemoteProtocol protocol) {
    switch (protocol) {
    case RemoteProtocol::Ftps: return "ftps";
    case RemoteProtocol::Sftp: return "sftp";
    default: return "ftp";
    }
}

// The stored name as a protocol: any other text (an older file's missing field
// included) is plain FTP, as every file stored before the field existed.
constexpr RemoteProtocol remoteProtocolOf(std::string_view name) {
    if (name == "sftp") return RemoteProtocol::Sftp;
    if (name == "ftps") return RemoteProtocol::Ftps;
    return RemoteProtocol::Ftp;
}

// The port a protocol's servers listen on unless told otherwise.
constexpr int defaultPortOf(RemoteProtocol protocol) { return protocol == RemoteProtocol::Sftp ? 22 : 21; }

}  // namespace tesselon

// The options of tesselon-batch for a remote source (FTP, FTPS or SFTP). The password is never one of them:
// it comes from the settings file or from TESSELON_FTP_PASSWORD.
#pragma once

#include <optional>
#include <string>

namespace tesselon {

inline constexpr const char* kFtpPasswordVariable = "TESSELON_FTP_PASSWORD";

struct RemoteCliOptions {
    bool remote = false;                       // --remote: the source is the FTP folder
    std::optional<std::string> server;         // --server HOST
    std::optional<std::string> port;           // --port N
    std::optional<std::string> user;           // --user NAME
    std::optional<std::string> folder;         // --remote-folder PATH
    std::optional<bool> passive;               // --passive / --active
    std::optional<std::string> downloadTo;     // --download-to DIR
    std::optional<std::string> protocol;       // --protocol ftp|ftps|sftp
    std::optional<std::string> hostKey;        // --host-key SHA256:... (an SFTP server's key to trust)
    std::optional<std::string> caFile;         // --ca-file FILE (the authorities FTPS servers are checked against)
    std::optional<std::string> pinSha256;      // --pin-sha256 HEX (an FTPS certificate to trust), lower-case hex
    std::optional<int> connections;            // --connections N: transfers at once
    std::optional<int> scanTimeout;            // --scan-timeout SECONDS: the whole scan's time
    std::optional<std::string> publish;        // --publish REMOTE_FOLDER: the results go up there

    bool any() const {
        return remote || server || port || user || folder || passive || downloadTo || protocol || hostKey || caFile ||
               pinSha256 || connections || scanTimeout || publish;
    }
};

}  // namespace tesselon

// Debian's vsftpd on 127.0.0.1 for one test or suite (tests/support/vsftpd_server.sh):
// explicit FTPS only, data connections resuming the control connection's TLS session,
// a certificate from a throw-away authority, a folder served to the anonymous account
// read-only, or for writing. It runs only for root; skipReason() says why a server could not be
// had.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

class VsftpdTestServer {
public:
    static constexpr const char* kUser = "anonymous";

    // Writable: the account may store, rename, delete and make folders in the folders
    // below the served one (which then belong to vsftpd's ftp account); the served
    // folder itself takes nothing new, as vsftpd refuses an anonymous root it could write.
    enum class Access { ReadOnly, Writable };

    // Serves `folder`, with a certificate made out for `certificateName`; transfers go at
    // about `bytesPerSecond` when it is not 0.
    explicit VsftpdTestServer(const std::string& folder, const std::string& certificateName = "127.0.0.1",
                              int bytesPerSecond = 0, Access access = Access::ReadOnly);
    ~VsftpdTestServer();
    VsftpdTestServer(const VsftpdTestServer&) = delete;
    VsftpdTestServer& operator=(const VsftpdTestServer&) = delete;

    // Empty when the server runs.
    const std::string& skipReason() const { return skipReason_; }
    uint16_t port() const { return port_; }
    // The authority's certificate (PEM), to trust it.
    const std::string& caFile() const { return caFile_; }
    // The server certificate's SHA-256, lower-case hex.
    const std::string& fingerprint() const { return fingerprint_; }
    // The commands the server was sent, as it logged them (passwords hidden).
    std::string commandsLog() const;

private:
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    std::string skipReason_;
    uint16_t port_ = 0;
    std::string caFile_;
    std::string fingerprint_;
};

}  // namespace tesselon::testing

// tests/support/deep_sftp_server.py for one test: a paramiko SFTP server on 127.0.0.1
// whose folder /tree goes `depth` levels down, each level `files` files and one
// subfolder, every name `nameLength` bytes, each listing `delay` seconds late.
#pragma once

#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

struct DeepTree {
    int depth = 64;
    int nameLength = 250;
    int files = 5000;
    std::string extension = "dat";
    double delay = 0;
};

class DeepSftpServer {
public:
    static constexpr const char* kUser = "tester";
    static constexpr const char* kPassword = "pw";

    explicit DeepSftpServer(const DeepTree& tree);
    ~DeepSftpServer();
    DeepSftpServer(const DeepSftpServer&) = delete;
    DeepSftpServer& operator=(const DeepSftpServer&) = delete;

    // 0 when the server could not be started (python3-paramiko missing).
    int port() const { return port_; }
    const std::string& fingerprint() const { return fingerprint_; }

private:
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    int port_ = 0;
    std::string fingerprint_;
};

}  // namespace tesselon::testing

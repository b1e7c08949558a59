// A scripted SFTP server for one test: a script of tests/support (paramiko on
// 127.0.0.1, see paramiko_test_server.py) with a fresh host key and one user.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

class ParamikoTestServer {
public:
    static constexpr const char* kUser = "tester";
    static constexpr const char* kPassword = "pw";

    // Runs tests/support/`script` HOST_KEY USER PASSWORD `arguments`...
    ParamikoTestServer(const std::string& script, const std::vector<std::string>& arguments);
    ~ParamikoTestServer();
    ParamikoTestServer(const ParamikoTestServer&) = delete;
    ParamikoTestServer& operator=(const ParamikoTestServer&) = delete;

    // 0 when the server could not be started (python3-paramiko missing).
    int port() const { return port_; }
    const std::string& fingerprint() const { return fingerprint_; }

private:
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    int port_ = 0;
    std::string fingerprint_;
};

// deep_sftp_server.py: /tree goes `depth` levels down, each level `files` files and one
// subfolder, every name `nameLength` bytes, each listing `delay` seconds late.
struct DeepTree {
    int depth = 64;
    int nameLength = 250;
    int files = 5000;
    std::string extension = "dat";
    double delay = 0;
};

class DeepSftpServer : public ParamikoTestServer {
public:
    explicit DeepSftpServer(const DeepTree& tree)
        : ParamikoTestServer("deep_sftp_server.py",
                             {std::to_string(tree.depth), std::to_string(tree.nameLength), std::to_string(tree.files),
                              tree.extension, std::to_string(tree.delay)}) {}
};

}  // namespace tesselon::testing

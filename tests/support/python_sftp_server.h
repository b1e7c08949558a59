// A scripted SFTP server (a paramiko script of tests/support) on 127.0.0.1 for one
// test. The script takes a host key file, a user and a password, then its own
// arguments; it prints "PORT n" and "FINGERPRINT SHA256:..." once it listens and ends
// when its standard input closes, which the destructor does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

class PythonSftpServer {
public:
    static constexpr const char* kUser = "tester";
    static constexpr const char* kPassword = "pw";

    // `script`: a file name in tests/support. port() is 0 when the server did not start
    // (python3-paramiko missing).
    PythonSftpServer(const std::string& script, const std::vector<std::string>& arguments = {});
    ~PythonSftpServer();
    PythonSftpServer(const PythonSftpServer&) = delete;
    PythonSftpServer& operator=(const PythonSftpServer&) = delete;

    uint16_t port() const { return port_; }
    // "SHA256:..." of its host key.
    const std::string& fingerprint() const { return fingerprint_; }

private:
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    uint16_t port_ = 0;
    std::string fingerprint_;
};

}  // namespace tesselon::testing

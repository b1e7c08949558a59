// pyftpdlib (Debian's python3-pyftpdlib) serving a folder on 127.0.0.1 for one test,
// with one user and password; stopped when the object goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

struct FtpServerOptions {
    std::string log;     // a file that receives "RETR <path below the root>" per file asked for
    bool logLogins = false;  // the log receives "LOGIN <user>" per login too
    int maxPerIp = 0;    // connections allowed from one address; 0 for any number
    int bytesPerSecond = 0;  // downloads slowed to about this rate after their first second
    uint16_t port = 0;       // 0: any free port
    int idleTimeoutSeconds = 0;  // a control connection idle this long is ended with a 421; 0: the server's own
};

class FtpTestServer {
public:
    static constexpr const char* kUser = "tester";
    static constexpr const char* kPassword = "s3cret pw";

    // Serves `root` (an existing folder). port() is 0 when the server did not start.
    explicit FtpTestServer(const std::string& root, const FtpServerOptions& options = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    uint16_t port() const { return port_; }

private:
    std::unique_ptr<ProgramRun> run_;
    uint16_t port_ = 0;
};

}  // namespace tesselon::testing

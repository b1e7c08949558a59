// The test HTTP server (http_test_server.py beside this file) run on 127.0.0.1 for one
// test: plain, or HTTPS with a certificate made for it by openssl. Stopped when the
// object goes.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

struct LoggedRequest {
    std::string method;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string header(const std::string& name) const;  // empty when absent
};

class TestHttpServer {
public:
    struct Options {
        bool tls = false;
        double stallSeconds = 20;  // how long /stall/ holds back the second half
    };

    // Serves the files of `root` (ending with "/").
    explicit TestHttpServer(std::string root, Options options);
    explicit TestHttpServer(std::string root) : TestHttpServer(std::move(root), Options{}) {}
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>/" or "https://127.0.0.1:<port>/".
    std::string baseUrl() const;
    // The certificate the server presents, which is its own authority (HTTPS only).
    std::string caFile() const { return scratch_.file("cert.pem"); }
    // Every request received so far, in order.
    std::vector<LoggedRequest> requests() const;
    // Lets the requests waiting on /hold/ through.
    void release() const;

private:
    std::string root_;
    Options options_;
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    int port_ = 0;
};

}  // namespace tesselon::testing

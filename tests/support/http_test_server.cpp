#include "support/http_test_server.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "runtime/process/program_run.h"
#include "support/test_paths.h"

namespace tesselon::testing {

namespace {

// Pulls the string value of `"key": "..."` out of one JSON log line; the values the
// server writes are plain ASCII without escapes other than \" and \\.
std::string readJsonString(const std::string& text, size_t& at) {
    std::string out;
    at = text.find('"', at);
    if (at == std::string::npos) return out;
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        out += text[at];
    }
    ++at;
    return out;
}

LoggedRequest parseLogLine(const std::string& line) {
    LoggedRequest request;
    size_t at = line.find("\"method\":");
    if (at == std::string::npos) return request;
    at += 9;
    request.method = readJsonString(line, at);
    at = line.find("\"path\":", at) + 7;
    request.path = readJsonString(line, at);
    at = line.find("\"headers\":", at) + 10;
    while ((at = line.find('[', at + 1)) != std::string::npos) {
        std::string name = readJsonString(line, at);
        std::string value = readJsonString(line, at);
        request.headers.emplace_back(std::move(name), std::move(value));
    }
    return request;
}

bool makeCertificate(const TempDir& folder) {
    const RunResult made = runProgramArguments(
        {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", folder.file("key.pem"), "-out", folder.file("cert.pem"), "-days", "2", "-subj",
         "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"},
        {}, kRunWait | kRunOpen | kRunReadOutput | kRunReadError);
    return made.run && made.run->exitCode() == 0;
}

}  // namespace

std::string LoggedRequest::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (n == name) return v;
    return {};
}

TestHttpServer::TestHttpServer(std::string root, Options options) : root_(std::move(root)), options_(options) {
    if (options_.tls && !makeCertificate(scratch_)) return;
    std::vector<std::string> arguments = {"/usr/bin/python3", sourceDir() + "tests/support/http_test_server.py",
                                          "--root", root_, "--log", scratch_.file("requests.log"),
                                          "--stall", std::to_string(options_.stallSeconds)};
    if (options_.tls) {
        for (const char* a : {"--cert", "cert.pem", "--key", "key.pem"})
            arguments.push_back(a[0] == '-' ? std::string(a) : scratch_.file(a));
    }
    run_ = std::move(runProgramArguments(arguments, {}, kRunOpen | kRunReadOutput).run);
    if (!run_) return;
    std::string line;
    char c = 0;
    while (run_->readOutput(&c, 1) == 1 && c != '\n') line += c;
    if (line.rfind("PORT ", 0) == 0) port_ = std::atoi(line.c_str() + 5);
}

TestHttpServer::~TestHttpServer() {
    if (!run_) return;
    ::kill(run_->pid(), SIGTERM);
    run_->exitCode();
}

std::string TestHttpServer::baseUrl() const {
    return std::string(options_.tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<LoggedRequest> TestHttpServer::requests() const {
    std::vector<LoggedRequest> out;
    std::ifstream in(scratch_.file("requests.log"));
    for (std::string line; std::getline(in, line);) out.push_back(parseLogLine(line));
    return out;
}

void TestHttpServer::release() const { std::ofstream(root_ + "release") << "go"; }

}  // namespace tesselon::testing

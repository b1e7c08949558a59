#include "support/vsftpd_test_server.h"

#include <sstream>

#include "runtime/process/program_run.h"
#include "support/test_paths.h"

namespace tesselon::testing {

namespace {

std::string readLine(ProgramRun& run) {
    std::string line;
    char c = 0;
    while (run.readOutput(&c, 1) == 1 && c != '\n') line += c;
    return line;
}

std::string valueOf(const std::string& line, const std::string& key) {
    return line.rfind(key + " ", 0) == 0 ? line.substr(key.size() + 1) : std::string();
}

}  // namespace

VsftpdTestServer::VsftpdTestServer(const std::string& folder, const std::string& certificateName,
                                   int bytesPerSecond, Access access) {
    RunResult started = runProgramArguments({sourceDir() + "tests/support/vsftpd_server.sh", scratch_.path(), folder,
                                             certificateName, std::to_string(bytesPerSecond),
                                             access == Access::Writable ? "write" : "read"},
                                            {},
        kRunOpen | kRunReadOutput | kRunWriteInput);
    if (!started.ok || !started.run) {
        skipReason_ = "tests/support/vsftpd_server.sh could not be started";
        return;
    }
    run_ = std::move(started.run);
    for (;;) {
        const std::string line = readLine(*run_);
        if (line == "READY") break;
        if (line.empty()) {
            skipReason_ = "vsftpd_server.sh ended without a server";
            break;
        }
        if (line.rfind("SKIP ", 0) == 0) skipReason_ = line.substr(5);
        if (const std::string port = valueOf(line, "PORT"); !port.empty()) port_ = uint16_t(std::stoi(port));
        if (const std::string v = valueOf(line, "CA"); !v.empty()) caFile_ = v;
        if (const std::string v = valueOf(line, "FINGERPRINT"); !v.empty()) fingerprint_ = v;
    }
    if (!skipReason_.empty()) port_ = 0;
}

VsftpdTestServer::~VsftpdTestServer() {
    if (!run_) return;
    run_->closeInput();  // the script stops vsftpd when its input closes
    run_->exitCode();
}

std::string VsftpdTestServer::commandsLog() const {
    std::istringstream log(readFile(scratch_.file("vsftpd.log")));
    std::string commands;
    for (std::string line; std::getline(log, line);) {
        // ... FTP command: Client "127.0.0.1", "USER anonymous"
        const size_t at = line.find("FTP command: ");
        const size_t quote = at == std::string::npos ? at : line.find("\", \"", at);
        if (quote == std::string::npos || line.back() != '"') continue;
        commands += line.substr(quote + 4, line.size() - quote - 5) + "\n";
    }
    return commands;
}

}  // namespace tesselon::testing

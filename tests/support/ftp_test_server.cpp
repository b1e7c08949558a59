#include "support/ftp_test_server.h"

#include <csignal>
#include <string>
#include <vector>

#include "runtime/process/program_run.h"
#include "support/test_paths.h"

namespace tesselon::testing {

FtpTestServer::FtpTestServer(const std::string& root, const FtpServerOptions& options) {
    std::vector<std::string> arguments{"/usr/bin/python3", sourceDir() + "tests/support/ftp_server.py", root, kUser,
                                       kPassword};
    if (options.bytesPerSecond > 0) arguments.push_back(std::to_string(options.bytesPerSecond));
    if (!options.log.empty()) arguments.insert(arguments.end(), {"--log", options.log});
    if (options.logLogins) arguments.push_back("--log-logins");
    if (options.port > 0) arguments.insert(arguments.end(), {"--port", std::to_string(options.port)});
    if (options.idleTimeoutSeconds > 0)
        arguments.insert(arguments.end(), {"--idle-timeout", std::to_string(options.idleTimeoutSeconds)});
    if (options.maxPerIp > 0) arguments.insert(arguments.end(), {"--max-per-ip", std::to_string(options.maxPerIp)});
    RunResult started = runProgramArguments(arguments, {}, kRunOpen | kRunReadOutput | kRunWriteInput);
    if (!started.ok || !started.run) return;
    run_ = std::move(started.run);
    // The first line is the port, written once the server listens.
    std::string line;
    char c = 0;
    while (run_->readOutput(&c, 1) == 1 && c != '\n') line += c;
    port_ = uint16_t(std::atoi(line.c_str()));
}

FtpTestServer::~FtpTestServer() {
    if (!run_) return;
    run_->closeInput();  // the server ends when its input closes
    ::kill(run_->pid(), SIGTERM);
    run_->exitCode();
}

}  // namespace tesselon::testing

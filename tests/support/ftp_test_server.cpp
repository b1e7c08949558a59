#include "support/ftp_test_server.h"

#include <csignal>
#include <string>

#include "runtime/process/program_run.h"
#include "support/test_paths.h"

namespace tesselon::testing {

FtpTestServer::FtpTestServer(const std::string& root) {
    const std::string script = sourceDir() + "tests/support/ftp_server.py";
    RunResult started = runProgram("/usr/bin/python3",
                                   "\"" + script + "\" \"" + root + "\" " + kUser + " \"" + kPassword + "\"", {},
                                   kRunOpen | kRunReadOutput | kRunWriteInput);
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

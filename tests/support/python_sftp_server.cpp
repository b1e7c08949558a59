#include "support/python_sftp_server.h"

#include "runtime/process/program_run.h"
#include "support/sshd_test_server.h"
#include "support/test_paths.h"

namespace tesselon::testing {

PythonSftpServer::PythonSftpServer(const std::string& script, const std::vector<std::string>& arguments) {
    const std::string key = scratch_.file("host_key");
    if (makeSshKey(key).empty()) return;
    std::vector<std::string> command = {"/usr/bin/python3", sourceDir() + "tests/support/" + script, key, kUser,
                                        kPassword};
    command.insert(command.end(), arguments.begin(), arguments.end());
    run_ = std::move(runProgramArguments(command, {}, kRunOpen | kRunReadOutput | kRunWriteInput).run);
    if (!run_) return;
    uint16_t port = 0;
    for (int i = 0; i < 2; ++i) {
        std::string line;
        char c = 0;
        while (run_->readOutput(&c, 1) == 1 && c != '\n') line += c;
        if (line.rfind("PORT ", 0) == 0) port = uint16_t(std::stoi(line.substr(5)));
        if (line.rfind("FINGERPRINT ", 0) == 0) fingerprint_ = line.substr(12);
    }
    if (!fingerprint_.empty()) port_ = port;
}

PythonSftpServer::~PythonSftpServer() {
    if (run_) run_->exitCode();  // closes its input, which ends it
}

}  // namespace tesselon::testing

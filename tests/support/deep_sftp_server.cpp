#include "support/deep_sftp_server.h"

#include "runtime/process/program_run.h"
#include "support/sshd_test_server.h"
#include "support/test_paths.h"

namespace tesselon::testing {

DeepSftpServer::DeepSftpServer(const DeepTree& tree) {
    const std::string key = scratch_.file("host_key");
    if (makeSshKey(key).empty()) return;
    run_ = std::move(runProgramArguments({"/usr/bin/python3", sourceDir() + "tests/support/deep_sftp_server.py", key,
                                          kUser, kPassword, std::to_string(tree.depth),
                                          std::to_string(tree.nameLength), std::to_string(tree.files),
                                          tree.extension, std::to_string(tree.delay)},
                                         {}, kRunOpen | kRunReadOutput | kRunWriteInput)
                         .run);
    if (!run_) return;
    for (int i = 0; i < 2; ++i) {
        std::string line;
        char c = 0;
        while (run_->readOutput(&c, 1) == 1 && c != '\n') line += c;
        if (line.rfind("PORT ", 0) == 0) port_ = std::stoi(line.substr(5));
        if (line.rfind("FINGERPRINT ", 0) == 0) fingerprint_ = line.substr(12);
    }
}

DeepSftpServer::~DeepSftpServer() {
    if (run_) run_->exitCode();  // closes its input, which ends it
}

}  // namespace tesselon::testing

// A scripted SFTP server for one test: a script of tests/support (paramiko on
// 127.0.0.1, see paramiko_test_server.py) with a fresh host key and one user.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/python_sftp_server.h"

namespace tesselon::testing {

// A scripted paramiko SFTP server: the launcher the other scripted servers use.
using ParamikoTestServer = PythonSftpServer;

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

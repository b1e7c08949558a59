// Debian's OpenSSH sshd on 127.0.0.1 for one test or suite (tests/support/sshd_server.sh):
// a throw-away host key, SFTP only, one test account that logs in with a password. It
// runs only for root, which sshd needs to check a password; skipReason() says why a
// server could not be had.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace tesselon {
class ProgramRun;
}

namespace tesselon::testing {

class SshdTestServer {
public:
    static constexpr const char* kUser = "tesselon-sftp";

    // How the server asks for the password: the password method, or a
    // keyboard-interactive exchange through PAM.
    enum class Login { Password, KeyboardInteractive };
    // What the account sees as "/": the whole file system, or a folder of its own
    // (chrootFolder()) that it cannot leave.
    enum class Root { Whole, Chrooted };

    explicit SshdTestServer(Login login = Login::Password, Root root = Root::Whole);
    ~SshdTestServer();
    SshdTestServer(const SshdTestServer&) = delete;
    SshdTestServer& operator=(const SshdTestServer&) = delete;

    // Empty when the server runs.
    const std::string& skipReason() const { return skipReason_; }
    uint16_t port() const { return port_; }
    const std::string& password() const { return password_; }
    // "SHA256:..." of the host key, as ssh-keygen prints it.
    const std::string& fingerprint() const { return fingerprint_; }
    // "ssh-ed25519 AAAA...", the public host key as a known-hosts line carries it.
    const std::string& publicKey() const { return publicKey_; }
    // Root::Chrooted: the folder the account sees as "/", ending with "/"; root owns
    // it, and what is written in it must be readable by others. Removed with the server.
    const std::string& chrootFolder() const { return chroot_; }
    // What sshd logged so far.
    std::string log() const;

    // Lets the test account read `folder` and everything in it (it becomes the
    // account's own). Empty, or why it cannot.
    std::string serve(const std::string& folder) const;
private:
    TempDir scratch_;
    std::unique_ptr<ProgramRun> run_;
    std::string skipReason_;
    uint16_t port_ = 0;
    std::string password_;
    std::string fingerprint_;
    std::string publicKey_;
    std::string chroot_;
};

// Makes a fresh ed25519 key pair at `path` (and `path`.pub); its public key as
// "ssh-ed25519 AAAA...", or empty on failure.
std::string makeSshKey(const std::string& path);

}  // namespace tesselon::testing

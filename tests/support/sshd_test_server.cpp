#include "support/sshd_test_server.h"

#include <filesystem>
#include <vector>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

SshdTestServer::SshdTestServer(Login login, Root root) {
    std::vector<std::string> arguments = {sourceDir() + "tests/support/sshd_server.sh", scratch_.path(),
                                          login == Login::KeyboardInteractive ? "keyboard-interactive" : "password"};
    if (root == Root::Chrooted) arguments.push_back("chroot");
    RunResult started = runProgramArguments(arguments, {}, kRunOpen | kRunReadOutput | kRunWriteInput);
    if (!started.ok || !started.run) {
        skipReason_ = "tests/support/sshd_server.sh could not be started";
        return;
    }
    run_ = std::move(started.run);
    for (;;) {
        const std::string line = readLine(*run_);
        if (line == "READY") break;
        if (line.empty()) {
            skipReason_ = "sshd_server.sh ended without a server";
            break;
        }
        if (line.rfind("SKIP ", 0) == 0) skipReason_ = line.substr(5);
        if (const std::string port = valueOf(line, "PORT"); !port.empty()) port_ = uint16_t(std::stoi(port));
        if (const std::string v = valueOf(line, "PASSWORD"); !v.empty()) password_ = v;
        if (const std::string v = valueOf(line, "FINGERPRINT"); !v.empty()) fingerprint_ = v;
        if (const std::string v = valueOf(line, "KEY"); !v.empty()) publicKey_ = v;
        if (const std::string v = valueOf(line, "CHROOT"); !v.empty()) chroot_ = v + "/";
    }
    if (!skipReason_.empty()) port_ = 0;
}

SshdTestServer::~SshdTestServer() {
    if (!run_) return;
    run_->closeInput();  // the script stops sshd when its input closes
    run_->exitCode();
}

std::string SshdTestServer::log() const { return readFile(scratch_.file("sshd.log")); }

std::string SshdTestServer::serve(const std::string& folder) const {
    const passwd* account = ::getpwnam(kUser);
    if (!account) return std::string("no account ") + kUser;
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    for (auto it = std::filesystem::recursive_directory_iterator(path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        ::lchown(it->path().c_str(), account->pw_uid, account->pw_gid);
    }
    ::lchown(path.c_str(), account->pw_uid, account->pw_gid);
    // The account must be able to pass through every folder above.
    for (path = path.parent_path(); !path.empty(); path = path.parent_path()) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return "cannot stat " + path.string();
        if (!(info.st_mode & S_IXOTH)) {
            if (info.st_uid != ::geteuid() || path.string().find("tesselon-test-") == std::string::npos) {
                return path.string() + " is closed to other users; set TMPDIR to an open folder";
            }
            ::chmod(path.c_str(), (info.st_mode & 07777) | S_IXOTH);
        }
        if (path == path.root_path()) break;
    }
    return {};
}

std::string makeSshKey(const std::string& path) {
    RunResult made = runProgramArguments({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "", "-f", path}, {},
                                         kRunOpen | kRunReadOutput | kRunReadError);
    if (!made.run || made.run->exitCode() != 0) return {};
    std::string line = readFile(path + ".pub");
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    return line;
}

}  // namespace tesselon::testing

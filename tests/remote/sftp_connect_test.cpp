// Connecting to a real sshd on 127.0.0.1: the server's host key against the known-hosts
// files, and the login.
#include <chrono>
#include <filesystem>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/process/program_run.h"
#include "sftp_test_fixture.h"

namespace tesselon {
namespace {

using testing::readFile;

class SftpConnect : public SftpTest {
protected:
    std::string knownHostsName() const { return "[127.0.0.1]:" + std::to_string(server().port()); }

    // What sshd logged about the connections after `from`, once the last one ended.
    std::string logAfter(size_t from) {
        for (int i = 0; i < 100; ++i) {
            const std::string log = server().log();
            if (log.find("closed by", from) != std::string::npos) return log.substr(from);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return server().log().substr(from);
    }
};

TEST_F(SftpConnect, UnknownKeyIsRefusedUntilItsFingerprintIsAcceptedThenStoredAndKnown) {
    SftpConnectOptions o = options();
    const size_t logStart = server().log().size();
    SftpConnectResult first = SftpConnection::connect(o);
    EXPECT_EQ(first.failure, SftpFailure::HostKeyUnknown);
    EXPECT_FALSE(first.connection);
    EXPECT_EQ(first.fingerprint, server().fingerprint());  // as ssh-keygen prints it, for the question
    // Nothing was sent before the key was trusted: the server never heard of the user.
    const std::string log = logAfter(logStart);
    EXPECT_NE(log.find("closed by"), std::string::npos) << log;
    EXPECT_EQ(log.find(testing::SshdTestServer::kUser), std::string::npos) << log;

    o.acceptedFingerprint = "SHA256:" + std::string(43, 'A');
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::HostKeyUnknown);
    EXPECT_FALSE(std::filesystem::exists(keys.file("known_hosts")));

    o.acceptedFingerprint = " " + server().fingerprint() + "\n";
    SftpConnectResult accepted = SftpConnection::connect(o);
    EXPECT_EQ(accepted.failure, SftpFailure::None);
    ASSERT_TRUE(accepted.connection);
    EXPECT_TRUE(accepted.connection->usable());
    EXPECT_TRUE(accepted.keyStored);
    EXPECT_EQ(readFile(keys.file("known_hosts")), knownHostsName() + " " + server().publicKey() + "\n");

    o.acceptedFingerprint.clear();
    SftpConnectResult again = SftpConnection::connect(o);
    EXPECT_EQ(again.failure, SftpFailure::None);
    EXPECT_FALSE(again.keyStored);
    EXPECT_EQ(readFile(keys.file("known_hosts")), knownHostsName() + " " + server().publicKey() + "\n");
}

TEST_F(SftpConnect, TheUsersKnownHostsCountHashedEntriesIncluded) {
    const std::string other = testing::makeSshKey(keys.file("other_key"));
    keys.write("user_known_hosts", "# mine\nother.example " + other + "\n" + knownHostsName() + " " +
                                       server().publicKey() + "\n");
    const RunResult hashed = runProgramArguments({"ssh-keygen", "-q", "-H", "-f", keys.file("user_known_hosts")}, {},
                                                 kRunOpen | kRunReadOutput | kRunReadError);
    ASSERT_TRUE(hashed.run);
    ASSERT_EQ(hashed.run->exitCode(), 0);
    ASSERT_EQ(readFile(keys.file("user_known_hosts")).find(knownHostsName()), std::string::npos);
    ASSERT_NE(readFile(keys.file("user_known_hosts")).find("|1|"), std::string::npos);

    SftpConnectResult result = SftpConnection::connect(options());
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_TRUE(result.connection);
    EXPECT_FALSE(result.keyStored);
    EXPECT_FALSE(std::filesystem::exists(keys.file("known_hosts")));
}

TEST_F(SftpConnect, ChangedOrRevokedKeyIsRefusedWhateverWasAccepted) {
    const std::string other = testing::makeSshKey(keys.file("other_key"));
    ASSERT_FALSE(other.empty());
    SftpConnectOptions o = options();
    o.acceptedFingerprint = server().fingerprint();

    // The program's own file holds another key for this host.
    keys.write("known_hosts", knownHostsName() + " " + other + "\n");
    SftpConnectResult changed = SftpConnection::connect(o);
    EXPECT_EQ(changed.failure, SftpFailure::HostKeyChanged);
    EXPECT_FALSE(changed.connection);
    EXPECT_EQ(changed.fingerprint, server().fingerprint());
    EXPECT_EQ(readFile(keys.file("known_hosts")), knownHostsName() + " " + other + "\n");

    // So does the user's file, while the program's file knows the right one: a key found
    // anywhere is known, as OpenSSH has it.
    keys.write("user_known_hosts", knownHostsName() + " " + other + "\n");
    keys.write("known_hosts", knownHostsName() + " " + server().publicKey() + "\n");
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::None);

    // A revoked key is refused even where a file trusts it.
    keys.write("user_known_hosts", "@revoked " + knownHostsName() + " " + server().publicKey() + "\n");
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::HostKeyChanged);
}

// A known-hosts file that is there but cannot be read might hold the key that tells a
// changed host from a new one: every host is refused, the key named for it included,
// and nothing reaches the server until the file is mended.
TEST_F(SftpConnect, AKnownHostsFileThatCannotBeReadRefusesEveryHostUntilItIsMended) {
    const std::string other = testing::makeSshKey(keys.file("other_key"));
    ASSERT_FALSE(other.empty());
    SftpConnectOptions o = options();
    o.acceptedFingerprint = server().fingerprint();
    const auto refused = [&](OpenProblem problem, const std::string& file) {
        const size_t logStart = server().log().size();
        const SftpConnectResult result = SftpConnection::connect(o);
        EXPECT_EQ(result.failure, SftpFailure::KnownHostsUnreadable);
        EXPECT_FALSE(result.connection);
        EXPECT_FALSE(result.keyStored);
        EXPECT_EQ(result.knownHostsProblem, problem);
        EXPECT_EQ(result.knownHostsFile, file);
        EXPECT_FALSE(std::filesystem::exists(keys.file("known_hosts")));
        EXPECT_EQ(server().log().find(testing::SshdTestServer::kUser, logStart), std::string::npos);
    };

    // The user's file holds another key for the host, behind 17 MiB of anything else.
    keys.write("user_known_hosts", knownHostsName() + " " + other + "\n");
    std::filesystem::resize_file(keys.file("user_known_hosts"), 17u << 20);
    refused(OpenProblem::TooLarge, keys.file("user_known_hosts"));

    std::filesystem::remove(keys.file("user_known_hosts"));
    std::filesystem::create_directory(keys.file("user_known_hosts"));
    refused(OpenProblem::NotRegular, keys.file("user_known_hosts"));

    // A regular file whose every read fails, as even root finds it; the program's own
    // file counts like the others.
    std::filesystem::remove(keys.file("user_known_hosts"));
    o.knownHosts.trusted.push_back("/proc/self/mem");
    refused(OpenProblem::Unreadable, "/proc/self/mem");

    // Mended (a missing file holds no key), the named key is taken again.
    o.knownHosts.trusted.pop_back();
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::None);
}

// A key accepted for one connection only is trusted without being written anywhere.
TEST_F(SftpConnect, AKeyAcceptedForTheConnectionOnlyIsNotStored) {
    SftpConnectOptions o = options();
    o.acceptedFingerprint = server().fingerprint();
    o.storeAccepted = false;
    const SftpConnectResult result = SftpConnection::connect(o);
    EXPECT_EQ(result.failure, SftpFailure::None);
    EXPECT_FALSE(result.keyStored);
    EXPECT_FALSE(std::filesystem::exists(keys.file("known_hosts")));
    o.acceptedFingerprint.clear();
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::HostKeyUnknown);
}

TEST_F(SftpConnect, WrongPasswordIsARefusedLoginAndAClosedPortCannotConnect) {
    SftpConnectOptions o = options();
    o.acceptedFingerprint = server().fingerprint();
    o.password = "not " + o.password;
    SftpConnectResult refused = SftpConnection::connect(o);
    EXPECT_EQ(refused.failure, SftpFailure::LoginRefused);
    EXPECT_FALSE(refused.connection);

    // A port held bound but not listening refuses every connection.
    const FileDescriptor bound(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(bound.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(bound.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    o.port = ntohs(address.sin_port);
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::CannotConnect);
}

TEST_F(SftpConnect, APasswordAskedForThroughKeyboardInteractiveIsGiven) {
    testing::SshdTestServer pam(testing::SshdTestServer::Login::KeyboardInteractive);
    if (!pam.skipReason().empty()) GTEST_SKIP() << pam.skipReason();
    SftpConnectOptions o = options();
    o.port = pam.port();
    o.acceptedFingerprint = pam.fingerprint();
    SftpConnectResult connected = SftpConnection::connect(o);
    EXPECT_EQ(connected.failure, SftpFailure::None);
    EXPECT_NE(pam.log().find("Accepted keyboard-interactive"), std::string::npos) << pam.log();
    o.password = "not " + o.password;
    EXPECT_EQ(SftpConnection::connect(o).failure, SftpFailure::LoginRefused);
}

}  // namespace
}  // namespace tesselon

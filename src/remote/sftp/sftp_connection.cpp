#include "remote/sftp/sftp_connection.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "remote/sftp/sftp_connection_state.h"
#include "remote/tcp_socket.h"

namespace tesselon {

namespace {

using std::chrono::milliseconds;

// How long the goodbye of a connection may take.
constexpr milliseconds kTeardownBound{2'000};

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

SftpEntryKind kindOf(uint8_t type) {
    switch (type) {
        case SSH_FILEXFER_TYPE_REGULAR: return SftpEntryKind::File;
        case SSH_FILEXFER_TYPE_DIRECTORY: return SftpEntryKind::Folder;
        case SSH_FILEXFER_TYPE_SYMLINK: return SftpEntryKind::Link;
        case SSH_FILEXFER_TYPE_SPECIAL: return SftpEntryKind::Special;
        default: return SftpEntryKind::Unknown;
    }
}

SftpEntry entryOf(const sftp_attributes_struct& attributes) {
    SftpEntry entry;
    entry.name = attributes.name ? attributes.name : "";
    if (attributes.flags & SSH_FILEXFER_ATTR_SIZE) entry.size = attributes.size;
    if (attributes.flags & SSH_FILEXFER_ATTR_ACMODTIME) entry.modified = int64_t(attributes.mtime);
    entry.kind = kindOf(attributes.type);
    return entry;
}

// The socket blocks from here on: libssh waits with poll() before each read, and the
// watchdog cuts any wait that takes too long.
bool makeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool setOptions(ssh_session ssh, const SftpConnectOptions& options) {
    const int verbosity = SSH_LOG_NOLOG;
    const unsigned int port = unsigned(options.port);
    const bool readConfig = false;  // ~/.ssh/config could name a proxy command or turn checks off
    const int strict = 1;
    // libssh's own waits are left longer than the watchdog's, which decides.
    const long seconds = long(options.timeouts.idle.count() / 1000) * 2 + 1;
    const std::string userFile = options.knownHosts.trusted.empty() ? "" : options.knownHosts.trusted.front();
    // The known files only steer which key type the server is asked for first; the
    // keys themselves are judged in lookUpHostKey.
    return ssh_options_set(ssh, SSH_OPTIONS_LOG_VERBOSITY, &verbosity) == SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_PROCESS_CONFIG, &readConfig) == SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_HOST, options.host.c_str()) == SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_PORT, &port) == SSH_OK &&
           (options.user.empty() || ssh_options_set(ssh, SSH_OPTIONS_USER, options.user.c_str()) == SSH_OK) &&
           ssh_options_set(ssh, SSH_OPTIONS_STRICTHOSTKEYCHECK, &strict) == SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_KNOWNHOSTS, userFile.empty() ? "/dev/null" : userFile.c_str()) == SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS,
                           options.knownHosts.accepted.empty() ? "/dev/null" : options.knownHosts.accepted.c_str()) ==
               SSH_OK &&
           ssh_options_set(ssh, SSH_OPTIONS_TIMEOUT, &seconds) == SSH_OK;
}

// Answers a keyboard-interactive exchange with the password: the one hidden answer asked
// for. A server that asks for a second one is refusing the first.
int logInInteractively(ssh_session ssh, const std::string& password) {
    bool answered = false;
    int rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
    for (int round = 0; rc == SSH_AUTH_INFO && round < 4; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(ssh);
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            ssh_userauth_kbdint_getprompt(ssh, unsigned(i), &echo);
            if (!echo && answered) return SSH_AUTH_DENIED;
            if (ssh_userauth_kbdint_setanswer(ssh, unsigned(i), echo ? "" : password.c_str()) < 0) {
                return SSH_AUTH_ERROR;
            }
            answered = answered || !echo;
        }
        rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
    }
    return rc == SSH_AUTH_INFO ? SSH_AUTH_DENIED : rc;
}

// Password authentication, or the same password through a keyboard-interactive exchange
// where the server offers only that (PAM setups often do).
int logIn(ssh_session ssh, const std::string& password) {
    const int rc = ssh_userauth_password(ssh, nullptr, password.c_str());
    if (rc != SSH_AUTH_DENIED || !(ssh_userauth_list(ssh, nullptr) & SSH_AUTH_METHOD_INTERACTIVE)) return rc;
    return logInInteractively(ssh, password);
}

}  // namespace

SftpConnection::State::~State() {
    if (!broken && ssh) {
        const auto now = SocketWatchdog::Clock::now();
        WatchedOperation goodbye(watchdog, kTeardownBound, now + kTeardownBound);
        sftp.reset();
        ssh.reset();
    }
    sftp.reset();
    ssh.reset();
}

SftpFailure SftpConnection::State::cutShortOr(SftpFailure otherwise) {
    switch (watchdog.tripped()) {
        case SocketWatchdog::Trip::Idle:
        case SocketWatchdog::Trip::Deadline: broken = true; return SftpFailure::TimedOut;
        case SocketWatchdog::Trip::Cancelled: broken = true; return SftpFailure::Cancelled;
        case SocketWatchdog::Trip::None: return otherwise;
    }
    return otherwise;
}

SftpFailure SftpConnection::State::failureAfter(SftpFailure otherwise) {
    const SftpFailure failure = cutShortOr(otherwise);
    if (failure != otherwise) return failure;
    if (!ssh || !ssh_is_connected(ssh.get())) {
        broken = true;
        return SftpFailure::ConnectionLost;
    }
    return otherwise;
}

SftpFailure SftpConnection::State::statusFailure(SftpFailure otherwise) {
    const SftpFailure failure = failureAfter(otherwise);
    if (failure != otherwise || !sftp) return failure;
    const int status = sftp_get_error(sftp.get());
    return status == SSH_FX_NO_SUCH_FILE || status == SSH_FX_NO_SUCH_PATH ? SftpFailure::FolderMissing : otherwise;
}

SocketWatchdog::Clock::time_point SftpConnection::State::deadline() const {
    return std::min(latest, SocketWatchdog::Clock::now() + timeouts.operation);
}

SftpConnection::SftpConnection(std::unique_ptr<State> state) : state_(std::move(state)) {}
SftpConnection::SftpConnection(SftpConnection&&) noexcept = default;
SftpConnection& SftpConnection::operator=(SftpConnection&&) noexcept = default;
SftpConnection::~SftpConnection() = default;

SftpConnectResult SftpConnection::connect(const SftpConnectOptions& options) {
    SftpConnectResult result;
    auto fail = [&result](SftpFailure failure) {
        SftpConnectResult failed;
        failed.failure = failure;
        failed.fingerprint = result.fingerprint;
        failed.keyStored = result.keyStored;
        failed.knownHostsFile = result.knownHostsFile;
        failed.knownHostsProblem = result.knownHostsProblem;
        return failed;
    };
    if (options.cancel && options.cancel->load()) return fail(SftpFailure::Cancelled);
    // Read before anything is sent: a file that cannot be read might hold the key that
    // tells a changed host from a new one, so no host is trusted until it is mended.
    const KnownHostsTexts known = readKnownHosts(options.knownHosts);
    if (known.problem != OpenProblem::None) {
        result.knownHostsFile = known.problemFile;
        result.knownHostsProblem = known.problem;
        return fail(SftpFailure::KnownHostsUnreadable);
    }
    const std::optional<uint32_t> address = resolveIpv4(options.host);
    if (!address || options.port <= 0 || options.port > 65535) return fail(SftpFailure::CannotConnect);

    auto state = std::make_unique<State>();
    state->timeouts = options.timeouts;
    const auto deadline = state->deadline();
    const int connectSeconds = int(std::max<int64_t>(1, (options.timeouts.operation.count() + 999) / 1000));
    FileDescriptor socket = connectTcp(Ipv4Endpoint{*address, uint16_t(options.port)}, connectSeconds, options.cancel);
    if (!socket.valid()) {
        return fail(options.cancel && options.cancel->load() ? SftpFailure::Cancelled : SftpFailure::CannotConnect);
    }
    state->ssh.reset(ssh_new());
    if (!state->ssh || !makeBlocking(socket.get()) || !setOptions(state->ssh.get(), options)) {
        return fail(SftpFailure::CannotConnect);
    }
    // The watchdog keeps a descriptor of its own, so it can never reach a socket that
    // took the number after libssh closed this one.
    state->watchdog.watch(FileDescriptor(::fcntl(socket.get(), F_DUPFD_CLOEXEC, 0)));
    ssh_session ssh = state->ssh.get();
    WatchedOperation guard(state->watchdog, options.timeouts.idle, deadline, options.cancel);
    // From here the session holds the socket, and closes it when it ends.
    const socket_t fd = socket.release();
    if (ssh_options_set(ssh, SSH_OPTIONS_FD, &fd) != SSH_OK) {
        ::close(fd);
        return fail(SftpFailure::CannotConnect);
    }
    if (ssh_connect(ssh) != SSH_OK) return fail(state->cutShortOr(SftpFailure::CannotConnect));
    state->watchdog.progress();

    ssh_key rawKey = nullptr;
    if (ssh_get_server_publickey(ssh, &rawKey) != SSH_OK || !rawKey) return fail(SftpFailure::CannotConnect);
    const SshKeyHandle serverKey(rawKey);
    state->fingerprint = result.fingerprint = keyFingerprint(serverKey.get());
    switch (lookUpHostKey(ssh, serverKey.get(), known)) {
        case HostKeyStatus::Known: break;
        case HostKeyStatus::Changed: return fail(SftpFailure::HostKeyChanged);
        case HostKeyStatus::Unknown:
            if (result.fingerprint.empty() || trimmed(options.acceptedFingerprint) != result.fingerprint) {
                return fail(SftpFailure::HostKeyUnknown);
            }
            if (options.storeAccepted) result.keyStored = storeAcceptedHostKey(ssh, options.knownHosts.accepted);
            break;
    }

    if (options.user.empty()) return fail(SftpFailure::LoginRefused);
    switch (logIn(ssh, options.password)) {
        case SSH_AUTH_SUCCESS: break;
        case SSH_AUTH_DENIED:
        case SSH_AUTH_PARTIAL: return fail(SftpFailure::LoginRefused);
        default: return fail(state->cutShortOr(SftpFailure::CannotConnect));
    }
    state->watchdog.progress();
    state->sftp.reset(sftp_new(ssh));
    if (!state->sftp || sftp_init(state->sftp.get()) != SSH_OK) {
        return fail(state->cutShortOr(SftpFailure::CannotConnect));
    }
    result.connection.emplace(SftpConnection(std::move(state)));
    return result;
}

bool SftpConnection::usable() const {
    return !state_->broken && state_->watchdog.tripped() == SocketWatchdog::Trip::None &&
           ssh_is_connected(state_->ssh.get());
}

const std::string& SftpConnection::hostKeyFingerprint() const { return state_->fingerprint; }

SftpPath SftpConnection::canonicalPath(const std::string& path) {
    State& s = *state_;
    if (!usable()) return {SftpFailure::ConnectionLost, {}};
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    const SshText resolved(sftp_canonicalize_path(s.sftp.get(), path.c_str()));
    if (!resolved) return {s.statusFailure(SftpFailure::ListingFailed), {}};
    return {SftpFailure::None, resolved.get()};
}

void SftpConnection::limitOperationsTo(std::chrono::steady_clock::time_point latest) { state_->latest = latest; }

SftpListing SftpConnection::list(const std::string& folder, size_t maxEntries, uint64_t maxNameBytes) {
    State& s = *state_;
    SftpListing listing;
    if (!usable()) {
        listing.failure = SftpFailure::ConnectionLost;
        return listing;
    }
    WatchedOperation guard(s.watchdog, s.timeouts.idle, s.deadline());
    const SftpDirHandle dir(sftp_opendir(s.sftp.get(), folder.c_str()));
    if (!dir) {
        listing.failure = s.statusFailure(SftpFailure::ListingFailed);
        return listing;
    }
    uint64_t nameBytes = 0;
    while (SftpAttributesHandle attributes{sftp_readdir(s.sftp.get(), dir.get())}) {
        s.watchdog.progress();
        if (listing.entries.size() >= maxEntries) {
            listing.failure = SftpFailure::OverBound;
            return listing;
        }
        nameBytes += attributes->name ? std::strlen(attributes->name) : 0;
        if (nameBytes > maxNameBytes) {
            listing.failure = SftpFailure::OverBound;
            return listing;
        }
        listing.entries.push_back(entryOf(*attributes));
    }
    if (!sftp_dir_eof(dir.get())) listing.failure = s.failureAfter(SftpFailure::ListingFailed);
    return listing;
}

}  // namespace tesselon

// What an SftpConnection holds, shared by the files that implement it.
#pragma once

#include <string>

#include "remote/sftp/sftp_connection.h"
#include "remote/sftp/socket_watchdog.h"
#include "remote/sftp/ssh_handles.h"

namespace tesselon {

struct SftpConnection::State {
    State() = default;
    // Ends the SFTP channel and the SSH session, bounded like any other exchange.
    ~State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // The failure of an operation whose libssh call failed: TimedOut or Cancelled when
    // the watchdog cut it short (which ends the connection's use), else `otherwise`.
    SftpFailure cutShortOr(SftpFailure otherwise);
    // The same for an operation on an established connection, which is ConnectionLost
    // when the session lost its connection.
    SftpFailure failureAfter(SftpFailure otherwise);
    // The failure for a refused request, from the SFTP status code.
    SftpFailure statusFailure(SftpFailure otherwise);
    SocketWatchdog::Clock::time_point deadline() const;

    SocketWatchdog watchdog;
    SshSessionHandle ssh;
    SftpSessionHandle sftp;  // declared after ssh: freed before it
    SftpTimeouts timeouts;
    // No operation's deadline lies past this (limitOperationsTo).
    SocketWatchdog::Clock::time_point latest = SocketWatchdog::Clock::time_point::max();
    std::string fingerprint;
    bool broken = false;
};

}  // namespace tesselon

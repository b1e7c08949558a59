#include "sources/open_remote_client.h"

#include <cstdlib>

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/text/ascii_text.h"
#include "sources/certificate_pins.h"

namespace tesselon {

namespace {

FtpConnectOptions ftpOptionsFor(const RemoteEndpoint& endpoint) {
    FtpConnectOptions options;
    options.host = endpoint.host;
    options.port = endpoint.port;
    options.user = endpoint.user;
    options.password = endpoint.password;
    options.passive = endpoint.passive;
    return options;
}

std::optional<FtpClient> openFtps(AppState& state, FtpSessionTable& sessions, FtpConnectOptions options,
                                  RemoteConnectOutcome& outcome) {
    options.host = std::string(trimSpaces(options.host));
    options.tls = true;
    options.caFile = state.tlsCaFile;
    if (options.caFile.empty()) {
        if (const char* variable = std::getenv("TESSELON_CA_FILE")) options.caFile = variable;
    }
    const std::string pinsFile = pinnedCertificatesFile(state);
    options.pinnedCertificates = pinnedCertificatesFor(pinsFile, options.host, options.port);
    if (!state.tlsPinnedCertificate.empty()) options.pinnedCertificates.push_back(state.tlsPinnedCertificate);
    FtpClientResult opened = connectFtpClient(sessions, options);
    outcome = std::move(opened.outcome);
    const ServerIdentity& shown = outcome.identity;
    if (outcome.failure != RemoteFailure::CertificateRefused || shown.fingerprint.empty())
        return std::move(opened.client);
    if (!state.frontend->askTrustServer(shown)) {
        outcome.declined = true;
        return std::nullopt;
    }
    // Only the certificate shown is taken: another one presented now is refused again.
    const std::string fingerprint = shown.fingerprint;
    pinCertificate(pinsFile, options.host, options.port, fingerprint);
    options.pinnedCertificates = {fingerprint};
    opened = connectFtpClient(sessions, std::move(options));
    outcome = std::move(opened.outcome);
    return std::move(opened.client);
}

SftpConnectOptions sftpOptionsFor(const AppState& state, const RemoteEndpoint& endpoint) {
    SftpConnectOptions options;
    options.host = std::string(trimSpaces(endpoint.host));
    options.port = endpoint.port;
    options.user = endpoint.user;
    options.password = endpoint.password;
    options.knownHosts = standardKnownHostsFiles(acceptedHostKeysFile(state));
    // A key named for the run (--host-key) is trusted for its connections only.
    if (!state.sftpTrustedHostKey.empty()) {
        options.acceptedFingerprint = state.sftpTrustedHostKey;
        options.storeAccepted = false;
    }
    return options;
}

}  // namespace

std::string acceptedHostKeysFile(const AppState& state) { return state.ProgramFolder + "known_hosts"; }

std::optional<FtpClient> openFtpClient(AppState& state, const RemoteEndpoint& endpoint,
                                       RemoteConnectOutcome& outcome) {
    FtpSessionTable& sessions = ftpSessions(state);
    if (endpoint.protocol == RemoteProtocol::Ftps) return openFtps(state, sessions, ftpOptionsFor(endpoint), outcome);
    FtpClientResult opened = connectFtpClient(sessions, ftpOptionsFor(endpoint));
    outcome = std::move(opened.outcome);
    return std::move(opened.client);
}

std::optional<SftpClient> openSftpClient(AppState& state, const RemoteEndpoint& endpoint,
                                         RemoteConnectOutcome& outcome) {
    SftpConnectOptions options = sftpOptionsFor(state, endpoint);
    SftpClientResult result = SftpClient::connect(options);
    outcome = result.outcome;
    if (result.connected.failure == SftpFailure::HostKeyUnknown && !result.connected.fingerprint.empty()) {
        if (!state.frontend->askTrustServer(outcome.identity)) {
            outcome.declined = true;
            return std::nullopt;
        }
        // Only the key shown is taken: another one presented now is refused again.
        options.acceptedFingerprint = result.connected.fingerprint;
        result = SftpClient::connect(options);
        outcome = result.outcome;
    }
    return std::move(result.client);
}

std::unique_ptr<RemoteClient> openRemoteClient(AppState& state, const RemoteEndpoint& endpoint,
                                               RemoteConnectOutcome& outcome) {
    if (endpoint.protocol == RemoteProtocol::Sftp) {
        std::optional<SftpClient> client = openSftpClient(state, endpoint, outcome);
        return client ? std::make_unique<SftpClient>(std::move(*client)) : nullptr;
    }
    std::optional<FtpClient> client = openFtpClient(state, endpoint, outcome);
    return client ? std::make_unique<FtpClient>(std::move(*client)) : nullptr;
}

FtpID keepInSessionTable(AppState& state, RemoteClient& client) {
    auto* ftp = dynamic_cast<FtpClient*>(&client);
    return ftp ? ftpSessions(state).add(ftp->session()) : 0;
}

}  // namespace tesselon

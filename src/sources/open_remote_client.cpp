#include "sources/open_remote_client.h"

#include <cstdlib>

#include "core/frontend.h"
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

std::optional<FtpClient> openFtps(const RemoteContext& context, FtpConnectOptions options,
                                  RemoteConnectOutcome& outcome, bool mayAsk) {
    options.host = std::string(trimSpaces(options.host));
    options.tls = true;
    options.caFile = context.trust.caFile;
    if (options.caFile.empty()) {
        if (const char* variable = std::getenv("TESSELON_CA_FILE")) options.caFile = variable;
    }
    const std::string pinsFile = pinnedCertificatesFile(context.trust);
    options.pinnedCertificates = pinnedCertificatesFor(pinsFile, options.host, options.port);
    if (!context.trust.pinnedCertificate.empty()) options.pinnedCertificates.push_back(context.trust.pinnedCertificate);
    FtpClientResult opened = connectFtpClient(context.sessions, options);
    outcome = std::move(opened.outcome);
    const ServerIdentity& shown = outcome.identity;
    if (!mayAsk || outcome.failure != RemoteFailure::CertificateRefused || shown.fingerprint.empty())
        return std::move(opened.client);
    if (!context.frontend.askTrustServer(shown)) {
        outcome.declined = true;
        return std::nullopt;
    }
    // Only the certificate shown is taken: another one presented now is refused again.
    const std::string fingerprint = shown.fingerprint;
    pinCertificate(pinsFile, options.host, options.port, fingerprint);
    options.pinnedCertificates = {fingerprint};
    opened = connectFtpClient(context.sessions, std::move(options));
    outcome = std::move(opened.outcome);
    return std::move(opened.client);
}

SftpConnectOptions sftpOptionsFor(const RemoteTrust& trust, const RemoteEndpoint& endpoint) {
    SftpConnectOptions options;
    options.host = std::string(trimSpaces(endpoint.host));
    options.port = endpoint.port;
    options.user = endpoint.user;
    options.password = endpoint.password;
    options.knownHosts = standardKnownHostsFiles(acceptedHostKeysFile(trust));
    // A key named for the run (--host-key) is trusted for its connections only.
    if (!trust.acceptedHostKey.empty()) {
        options.acceptedFingerprint = trust.acceptedHostKey;
        options.storeAccepted = false;
    }
    return options;
}

}  // namespace

std::optional<FtpClient> openFtpClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                       RemoteConnectOutcome& outcome, bool mayAsk) {
    if (endpoint.protocol == RemoteProtocol::Ftps) return openFtps(context, ftpOptionsFor(endpoint), outcome, mayAsk);
    FtpClientResult opened = connectFtpClient(context.sessions, ftpOptionsFor(endpoint));
    outcome = std::move(opened.outcome);
    return std::move(opened.client);
}

std::optional<SftpClient> openSftpClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                         RemoteConnectOutcome& outcome, bool mayAsk) {
    SftpConnectOptions options = sftpOptionsFor(context.trust, endpoint);
    SftpClientResult result = SftpClient::connect(options);
    outcome = result.outcome;
    if (mayAsk && result.connected.failure == SftpFailure::HostKeyUnknown && !result.connected.fingerprint.empty()) {
        if (!context.frontend.askTrustServer(outcome.identity)) {
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

std::unique_ptr<RemoteClient> openRemoteClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                               RemoteConnectOutcome& outcome) {
    if (endpoint.protocol == RemoteProtocol::Sftp) {
        std::optional<SftpClient> client = openSftpClient(context, endpoint, outcome);
        return client ? std::make_unique<SftpClient>(std::move(*client)) : nullptr;
    }
    std::optional<FtpClient> client = openFtpClient(context, endpoint, outcome);
    return client ? std::make_unique<FtpClient>(std::move(*client)) : nullptr;
}

FtpID keepInSessionTable(FtpSessionTable& sessions, RemoteClient& client) {
    auto* ftp = dynamic_cast<FtpClient*>(&client);
    return ftp ? sessions.add(ftp->session()) : 0;
}

std::string spareKeyOf(const RemoteContext& context, const RemoteEndpoint& endpoint) {
    const RemoteTrust& trust = context.trust;
    std::string key;
    for (const std::string_view part :
         {std::string_view(protocolName(endpoint.protocol)), std::string_view(endpoint.host), std::string_view(endpoint.user),
          std::string_view(endpoint.password), std::string_view(trust.caFile), std::string_view(trust.pinnedCertificate),
          std::string_view(trust.acceptedHostKey), std::string_view(trust.programFolder)}) {
        key += std::to_string(part.size());  // lengths first: no part can pass for two
        key += ':';
        key += part;
    }
    return key + std::to_string(endpoint.port) + (endpoint.passive ? "P" : "A");
}

}  // namespace tesselon

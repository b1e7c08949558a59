// An SFTP connection as a RemoteClient.
#pragma once

#include <optional>
#include <string>

#include "remote/remote_client.h"
#include "remote/sftp/sftp_connection.h"

namespace tesselon {

struct SftpClientResult;

class SftpClient final : public RemoteClient {
public:
    // Connects, checks the host key and logs in (SftpConnection::connect).
    static SftpClientResult connect(const SftpConnectOptions& options);
    explicit SftpClient(SftpConnection connection) : connection_(std::move(connection)) {}

    SftpClient(SftpClient&&) noexcept = default;
    SftpClient& operator=(SftpClient&&) noexcept = default;

    RemoteProtocol protocol() const override { return RemoteProtocol::Sftp; }
    bool usable() override { return connection_.usable(); }
    RemoteListing list(const std::string& folder, const RemoteListBounds& bounds = {}) override;
    RemoteFailure fetch(const std::string& remotePath, const FileInFolder& target,
                        const RemoteFetchOptions& options = {}) override;
    using RemoteClient::rename;
    using RemoteClient::store;
    RemoteFailure store(const FileInFolder& source, const std::string& remotePath,
                        const RemoteStoreOptions& options) override;
    RemoteFailure rename(const std::string& from, const std::string& to, bool replace) override;
    RemoteFailure makeFolder(const std::string& path) override;
    RemoteFileSize fileSize(const std::string& path) override;
    RemoteFailure remove(const std::string& path) override;

    SftpConnection& connection() { return connection_; }

private:
    SftpConnection connection_;
};

struct SftpClientResult {
    std::optional<SftpClient> client;  // when the outcome is ok()
    SftpConnectResult connected;       // the fingerprint, the known-hosts file (without the connection)
    RemoteConnectOutcome outcome;
};

// An SFTP failure in the engine's terms (a bound passed while fetching is the size the
// listing gave).
RemoteFailure remoteFailureOf(SftpFailure failure);

// The connection outcome of `result` for `options`.
RemoteConnectOutcome connectOutcomeOf(const SftpConnectOptions& options, const SftpConnectResult& result);

}  // namespace tesselon

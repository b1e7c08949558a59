// A remote source over SFTP: the connection (with the host-key question), the scan and
// the download's fetcher, with the outcomes the FTP source gives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_outcomes.h"
#include "remote/sftp/sftp_connection.h"

namespace tesselon {

struct AppState;
struct FtpConnectionData;
class RemoteFetcher;

// The program folder's own file of host keys the user accepted.
std::string acceptedHostKeysFile(const AppState& state);

// Connects and logs in with `data`. A host key no file knows is shown to the user once
// (Frontend::askTrustServer); accepted, it is stored and the connection made again.
// Nothing on failure, with `outcome` saying why; the user is not told here.
std::optional<SftpConnection> openSftpConnection(AppState& state, const FtpConnectionData& data,
                                                 RemoteConnectOutcome& outcome);

// The connection test over SFTP: the folder is valid when it can be listed. There is
// no test upload.
ConnectionTestReport testSftpConnection(AppState& state, const FtpConnectionData& data);

// The remote scan over SFTP of RutaOrigenRemoto, appending what it finds to `found`.
RemoteScanOutcome scanSftpSource(AppState& state, std::vector<SourceImageEntry>& found,
                                 const std::string& extensionList, bool recursive);

// The download's fetcher over a fresh SFTP connection; null, with `outcome` saying
// why, when none could be had (the user told of it when `tell` is set).
std::unique_ptr<RemoteFetcher> openSftpFetcher(AppState& state, RemoteConnectOutcome& outcome, bool tell);

}  // namespace tesselon

// A remote source over SFTP: the scan and the download's fetcher, with the outcomes the FTP source gives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_outcomes.h"
#include "core/remote_endpoint.h"
#include "remote/sftp/sftp_connection.h"
#include "sources/remote_context.h"

namespace tesselon {

class RemoteFetcher;

// The remote scan over SFTP of the endpoint's folder, appending what it finds to `found`.
RemoteScanOutcome scanSftpSource(const RemoteContext& context, const RemoteEndpoint& endpoint, std::vector<SourceImageEntry>& found,
                                 const std::string& extensionList, bool recursive);

// What a connection taken over from a scan's spares says of itself: made to `endpoint`.
RemoteConnectOutcome spareOutcome(const RemoteEndpoint& endpoint);

// The download's fetcher over a connection the scan left, else a fresh one; null, with `outcome` saying
// why, when none could be had (the user told of it when `tell` is set).
std::unique_ptr<RemoteFetcher> openSftpFetcher(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                               RemoteConnectOutcome& outcome, bool tell);

}  // namespace tesselon

// The connections one poll of a watch leaves open for the next (RemoteContext::
// keepConnections). Whatever its age, a connection is asked whether it still answers
// before it is used: a server that ended it while it idled (a 421, a closed socket)
// costs one fresh login and no error.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "remote/ftp_client.h"
#include "sources/remote_context.h"

namespace tesselon {

// How long a spare may have idled and still be handed out.
std::chrono::seconds spareIdleLimit(const RemoteContext& context);

// The FTP session FtpID names, kept for `key`, once it still answers. One that does
// not is closed and FtpID cleared. Null when there is none to take.
std::unique_ptr<FtpClient> takeKeptFtpSession(const RemoteContext& context, const std::string& key, bool tls);

// A spare FTP connection kept under `key` that still answers; those on the way that do
// not are ended. Nothing when none is left.
std::optional<FtpClient> takeSpareFtp(const RemoteContext& context, const std::string& key);

}  // namespace tesselon

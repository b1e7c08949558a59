// tesselon-batch's words for the remote source, composed from the engine's values.
#pragma once

#include <string>

#include "core/remote_outcomes.h"
#include "sources/publish/publish_results.h"

namespace tesselon {

// Why a connection failed, for one line on stderr ("the server ... refused the login
// of user 'tester' (reply 530)"); what to do about a certificate or host key is said
// with it.
std::string connectionFailureText(const RemoteConnectOutcome& outcome);

// Why a file or a folder failed: "the server refused the file", ...
std::string describeRemoteFailure(RemoteFailure failure);

// The report's and the terminal's reason for a file the download gave up on.
std::string failedDownloadReason(const FailedRemoteFile& file);

// Why a result was not published, for the report and the terminal.
std::string publishFailureText(const PublishItemOutcome& outcome);

// Why a download had fewer connections than the `asked` ones; empty when it did not.
std::string connectionsCapText(DownloadConnectionsCap cap, size_t asked);

}  // namespace tesselon

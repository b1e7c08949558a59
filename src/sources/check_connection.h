// The connection window's check of a remote endpoint: connecting and logging in,
// entering the folder, telling the user how it went, and optionally making a missing
// folder and uploading the test images beside the program into it. The scan
// and the download open their connections through it too, keeping the FTP session in
// FtpID's table.
#pragma once

#include <memory>
#include <string>

#include "core/remote_endpoint.h"
#include "core/remote_outcomes.h"
#include "remote/ftp_sessions.h"
#include "remote/remote_client.h"
#include "sources/remote_context.h"

namespace tesselon {

struct ConnectionCheckOptions {
    bool keepOpen = false;    // keep the connection in the result (an FTP one in the table too)
    bool silent = false;      // no success box (a failed connection is always shown)
    bool testUpload = false;  // make a missing folder and upload the test images into it
    bool untold = false;      // nothing shown, not even a failure (the caller copes without)
};

struct ConnectionCheck {
    std::unique_ptr<RemoteClient> client;  // keepOpen: the connection, null when none
    FtpID handle = 0;  // keepOpen over FTP or FTPS: the session's handle in the table, else 0
    ConnectionTestReport report;
};

// Connects and logs in, enters the folder (making it and uploading the test pack
// first when asked and it does not exist), and shows the report to the user. The
// context's token stops the upload between images; a broken connection stops it too.
ConnectionCheck checkConnection(const RemoteContext& context, const RemoteEndpoint& endpoint, const ConnectionCheckOptions& options);

}  // namespace tesselon

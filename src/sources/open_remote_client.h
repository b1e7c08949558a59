// Opening a connection to a remote endpoint: the one place the protocol picks the
// client. A server identity that does not verify (an FTPS certificate, an SFTP host key
// no file knows) is shown to the user once (Frontend::askTrustServer); trusted, it is
// kept and the connection made again. The user is not told of a failure here.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/remote_endpoint.h"
#include "core/remote_outcomes.h"
#include "remote/ftp_client.h"
#include "remote/ftp_sessions.h"
#include "remote/sftp/sftp_client.h"
#include "sources/remote_context.h"

namespace tesselon {

// FTP or FTPS, with the session table's timeouts. FTPS trusts the authorities of the
// context's CA file (else TESSELON_CA_FILE's, else the system's), the certificates pinned
// for the server and the context's pin for the run.
// Without `mayAsk` (a connection opened off the main thread) nobody is asked: an identity
// that does not verify is refused.
std::optional<FtpClient> openFtpClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                       RemoteConnectOutcome& outcome, bool mayAsk = true);
// SFTP, checking the host key against the user's and the program's known-hosts files.
std::optional<SftpClient> openSftpClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                         RemoteConnectOutcome& outcome, bool mayAsk = true);
// Whichever the endpoint's protocol asks for; null with `outcome` saying why.
std::unique_ptr<RemoteClient> openRemoteClient(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                               RemoteConnectOutcome& outcome);

// Keeps an FTP client's session in the session table, so that FtpID can name it: its
// new handle (0 for a client of another protocol).
FtpID keepInSessionTable(FtpSessionTable& sessions, RemoteClient& client);

// What a connection to `endpoint` with the context's trust is, as a key of the session
// table's spares: one kept under it serves any later connection asked for the same.
std::string spareKeyOf(const RemoteContext& context, const RemoteEndpoint& endpoint);

}  // namespace tesselon

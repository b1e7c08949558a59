// Making sure a remote folder path exists, one folder at a time.
#pragma once

#include <string_view>

#include <string>

#include "remote/ftp_sessions.h"
#include "remote/remote_client.h"

namespace tesselon {

// Enters each folder of the path from the root down ("/public_html/test" is tried as
// /public_html, then /public_html/test; "a/b" as /a, then /a/b), making the ones that
// cannot be entered. True when every folder exists or was made; the session's current
// folder is then the whole path.
bool createRemotePath(FtpClient& client, std::string_view path);
// The same on the session a handle names; false for a handle that names none.
bool createRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path);
// The same over any protocol: FTP and FTPS as above; over SFTP each folder that cannot
// be listed is made, and the path is whole from the server's root.
bool createRemotePath(RemoteClient& client, std::string_view path);

// Whether `folder` is there to be used: FTP and FTPS can enter it (and stay there), SFTP
// can list it.
bool remoteFolderExists(RemoteClient& client, const std::string& folder);

}  // namespace tesselon

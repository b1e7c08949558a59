// The connection test: opening a session with a set of connection data, telling the
// user how it went, and optionally uploading the test images beside the program into a
// remote folder made for them. The remote scan and the download open their sessions
// through it too.
#pragma once

#include <string>

#include "core/remote_outcomes.h"
#include "remote/ftp_sessions.h"

namespace tesselon {

struct AppState;

// The connection data as the connection window edits them.
struct FtpConnectionData {
    std::string server;
    std::string port;      // decimal text
    std::string user;
    std::string password;  // protected form (settings/password.h)
    std::string folder;    // remote folder of the images
    bool passive = true;
    RemoteProtocol protocol = RemoteProtocol::Ftp;
};

// Connects and logs in over FTPS with `options`, trusting the authorities of the
// state's CA file (else TESSELON_CA_FILE's, else the system's), the certificates
// pinned for the server and the state's pin for the run. A certificate that does not
// verify is shown to the user once (Frontend::askTrustServer); trusted, it is pinned
// and the connection made again.
FtpOpenResult openFtpsSession(AppState& state, FtpConnectOptions options);

// The connection data stored in the environment settings.
FtpConnectionData storedFtpConnection(const AppState& state);

struct FtpTestOptions {
    bool keepOpen = false;    // leave the session open in the result's handle
    bool silent = false;      // no success box (a failed connection is always shown)
    bool testUpload = false;  // make a missing folder and upload the test images into it
    bool untold = false;      // nothing shown, not even a failure (the caller copes without)
};

struct ConnectionTestResult {
    FtpID handle = 0;  // the session left open (keepOpen), 0 when none is
    ConnectionTestReport report;
};

// Connects and logs in, enters the folder (making it and uploading the test pack
// first when asked and it does not exist), and shows the report to the user.
ConnectionTestResult testFtpConnection(AppState& state, const FtpConnectionData& data, const FtpTestOptions& options);

// Folder of the test images: "_FTPimg/" beside the program.
std::string testPackFolder(const AppState& state);

// The port text as a number: its leading digits, 0 when there are none.
int portNumber(const std::string& text);

}  // namespace tesselon

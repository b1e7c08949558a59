// The FTP connection test: opening a session with a set of connection data, telling
// the user how it went, and optionally uploading the test images beside the program
// into a remote folder made for them. The remote scan and the download open their
// sessions through it too.
#pragma once

#include <string>

namespace tesselon {

struct AppState;

// The connection data as the FTP connection window edits them.
struct FtpConnectionData {
    std::string server;
    std::string port;      // decimal text
    std::string user;
    std::string password;  // protected form (settings/password.h)
    std::string folder;    // remote folder of the images
    bool passive = true;
};

// The connection data stored in the environment settings.
FtpConnectionData storedFtpConnection(const AppState& state);

struct FtpTestOptions {
    bool keepOpen = false;    // leave the session open; its handle leads the result
    bool silent = false;      // no success box (a failed connection is always shown)
    bool testUpload = false;  // make a missing folder and upload the test images into it
};

// Connects and logs in, enters the folder (making it and uploading the test pack
// first when asked and it does not exist) and reports with the title and message the
// user sees. Returns handle + "|" + title + ". " + message; handle 0 when no session
// is open afterwards.
std::string testFtpConnection(AppState& state, const FtpConnectionData& data, const FtpTestOptions& options);

// The session handle and the message of a testFtpConnection result.
int testResultHandle(const std::string& result);
std::string testResultMessage(const std::string& result);

// Folder of the test images: "_FTPimg/" beside the program.
std::string testPackFolder(const AppState& state);

}  // namespace tesselon

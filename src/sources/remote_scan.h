// The FTP branch of the image scan: walking a remote folder (and its subfolders) with
// the session that the connection test opened, which stays open afterwards in FtpID
// for the download.
#pragma once

#include <string>
#include <vector>

#include "core/image_list.h"
#include "remote/ftp_sessions.h"

namespace tesselon {

struct AppState;

// The remote branch of scanImages: opens a session with the stored connection data
// (FtpID keeps its handle) and appends the full remote path and size of every image
// found under RutaOrigenRemoto (with the lower-cased `extensionList`, "|"-separated).
// Failures go to the status line.
void scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found, const std::string& extensionList,
                      bool recursive);

// Enters the path one folder at a time relative to the current folder, so a leading
// "/" does not make it absolute ("/a/b" is CWD a, then CWD b). True when every change
// succeeded; the first failure stops the walk.
bool changeRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path);

// Scans one remote folder: within a folder the images of its subfolders come first
// (each subfolder complete, depth first), then its own images in the reverse order of
// the listing lines. Returns "" or the "ERROR: ..." text for the status line.
// `skipped` counts the names refused as unsafe for a local file name.
std::string scanRemoteFolder(AppState& state, FtpID id, std::vector<SourceImageEntry>& list,
                             const std::string& folder, bool skipFolders, const std::string& extensionList,
                             bool recursive, int& skipped);

}  // namespace tesselon

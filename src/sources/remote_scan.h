// The remote branch of the image scan: walking a remote folder (and its subfolders)
// with the session that the connection test opened, which stays open afterwards in
// FtpID for the download.
//
// What a server lists is held to bounds: folders nested more than kMaxRemoteScanDepth
// levels are not entered, a folder whose current path (PWD) was already scanned is not
// scanned again, a name whose path would be longer than kMaxListedPathBytes is skipped,
// and the scan stops after kMaxRemoteScanEntries listing entries, after
// kMaxScanPathBytes of path text listed (each entry costs its full path, each folder
// entered its current path) or at its deadline. A listing that did not arrive whole is
// a failure of its folder, never an empty folder.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_outcomes.h"
#include "remote/ftp_sessions.h"
#include "remote/listed_names.h"

namespace tesselon {

struct AppState;

inline constexpr size_t kMaxRemoteScanEntries = 1'000'000;
inline constexpr int kMaxRemoteScanDepth = 64;

struct RemoteScanLimits {
    size_t maxEntries = kMaxRemoteScanEntries;  // listing lines of the whole scan
    int maxDepth = kMaxRemoteScanDepth;         // levels below the scanned folder
    uint64_t maxPathBytes = kMaxScanPathBytes;  // path text of the whole scan
    // When the whole scan must have ended; a listing under way then is cut short.
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

// The remote branch of scanImages: opens a session with the stored connection data
// (FtpID keeps its handle) and appends the full remote path and size of every image
// found under RutaOrigenRemoto (with the lower-cased `extensionList`, "|"-separated).
RemoteScanOutcome scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found,
                                   const std::string& extensionList, bool recursive);

// Enters the path one folder at a time relative to the current folder, so a leading
// "/" does not make it absolute ("/a/b" is CWD a, then CWD b). True when every change
// succeeded; the first failure stops the walk.
bool changeRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path);

// Scans one remote folder over an open FTP session: within a folder the images of its
// subfolders come first (each subfolder complete, depth first), then its own images in
// the reverse order of the listing lines. The outcome's failure tells whether the
// folder itself could be entered and listed; what else was passed by goes to its
// problems.
void scanRemoteFolder(AppState& state, FtpID id, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits = {});

}  // namespace tesselon

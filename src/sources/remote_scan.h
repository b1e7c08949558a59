// The FTP branch of the image scan: walking a remote folder (and its subfolders) with
// the session that the connection test opened, which stays open afterwards in FtpID
// for the download.
//
// What a server lists is held to bounds: folders nested more than kMaxRemoteScanDepth
// levels are not entered, a folder whose current path (PWD) was already scanned is not
// scanned again, and the scan stops after kMaxRemoteScanEntries listing entries. A
// listing that did not arrive whole is a failure of its folder, never an empty folder.
#pragma once

#include <string>
#include <vector>

#include "core/image_list.h"
#include "remote/ftp_sessions.h"
#include "sources/folder_scan.h"

namespace tesselon {

struct AppState;

inline constexpr size_t kMaxRemoteScanEntries = 1'000'000;
inline constexpr int kMaxRemoteScanDepth = 64;

struct RemoteScanLimits {
    size_t maxEntries = kMaxRemoteScanEntries;  // listing lines of the whole scan
    int maxDepth = kMaxRemoteScanDepth;         // levels below the scanned folder
};

// What a remote scan passed by, besides the images it found.
struct RemoteScanReport {
    std::vector<ScanProblem> problems;  // in the order met
    int skippedNames = 0;               // listing names skipped because they cannot be local names
    bool stopped = false;               // ended early: the entry limit, or the session broke
    size_t entryLimit = kMaxRemoteScanEntries;
};

// The remote branch of scanImages: opens a session with the stored connection data
// (FtpID keeps its handle) and appends the full remote path and size of every image
// found under RutaOrigenRemoto (with the lower-cased `extensionList`, "|"-separated).
// Failures go to the status line, and to `problems` when given.
void scanRemoteSource(AppState& state, std::vector<SourceImageEntry>& found, const std::string& extensionList,
                      bool recursive, std::vector<ScanProblem>* problems = nullptr);

// Enters the path one folder at a time relative to the current folder, so a leading
// "/" does not make it absolute ("/a/b" is CWD a, then CWD b). True when every change
// succeeded; the first failure stops the walk.
bool changeRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path);

// Scans one remote folder: within a folder the images of its subfolders come first
// (each subfolder complete, depth first), then its own images in the reverse order of
// the listing lines. Returns "" or the "ERROR: ..." text for the status line when the
// folder itself could not be entered or listed; what else was passed by goes to
// `report`.
std::string scanRemoteFolder(AppState& state, FtpID id, std::vector<SourceImageEntry>& list,
                             const std::string& folder, bool skipFolders, const std::string& extensionList,
                             bool recursive, RemoteScanReport& report, const RemoteScanLimits& limits = {});

// The status line's text for what a scan without an error of its own passed by;
// empty when there is nothing to say.
std::string remoteScanNotice(const RemoteScanReport& report);

}  // namespace tesselon

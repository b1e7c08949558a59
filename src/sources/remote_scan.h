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
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_endpoint.h"
#include "core/remote_outcomes.h"
#include "remote/ftp_client.h"
#include "remote/ftp_sessions.h"
#include "remote/listed_names.h"
#include "sources/remote_context.h"

namespace tesselon {

inline constexpr size_t kMaxRemoteScanEntries = 1'000'000;
inline constexpr int kMaxRemoteScanDepth = 64;

struct RemoteScanLimits {
    size_t maxEntries = kMaxRemoteScanEntries;  // listing lines of the whole scan
    int maxDepth = kMaxRemoteScanDepth;         // levels below the scanned folder
    uint64_t maxPathBytes = kMaxScanPathBytes;  // path text of the whole scan
    // When the whole scan must have ended; a listing under way then is cut short.
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

// The remote branch of scanImages: opens a connection to `endpoint` (over FTP, the
// context's kept session becomes its handle, the one an earlier scan left ended first) and appends the full remote path and size of every image
// found under its folder (with the lower-cased `extensionList`, "|"-separated). The
// folders are listed over as many connections as the context's download would use;
// the further ones stay open as the session table's spares for that download.
RemoteScanOutcome scanRemoteSource(const RemoteContext& context, const RemoteEndpoint& endpoint, std::vector<SourceImageEntry>& found,
                                   const std::string& extensionList, bool recursive);

// Enters the path one folder at a time relative to the current folder, so a leading
// "/" does not make it absolute ("/a/b" is CWD a, then CWD b). True when every change
// succeeded; the first failure stops the walk.
bool changeRemotePath(FtpClient& client, std::string_view path);

// Scans one remote folder over an open FTP session: within a folder the images of its
// subfolders come first (each subfolder complete, depth first), then its own images in
// the reverse order of the listing lines. The outcome's failure tells whether the
// folder itself could be entered and listed; what else was passed by goes to its
// problems.
void scanRemoteFolder(const RemoteContext& context, FtpClient& client, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits = {});
// The same over several sessions at once, each taking the next folder waiting: each
// function runs on a worker of its own and answers its session (opening it there, so
// that logging in overlaps the first listings), null for none. The list, the problems
// and the bounds are those of one session. `first`, when given, goes back to the
// scanned folder at the end.
void scanRemoteFolder(const RemoteContext& context, std::vector<std::function<FtpClient*()>> sessions,
                      std::vector<SourceImageEntry>& list, const std::string& folder, bool skipFolders,
                      const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits = {}, FtpClient* first = nullptr);
// The same over the session a handle of the table names; nothing for one it does not.
void scanRemoteFolder(const RemoteContext& context, FtpID id, std::vector<SourceImageEntry>& list, const std::string& folder,
                      bool skipFolders, const std::string& extensionList, bool recursive, RemoteScanOutcome& outcome,
                      const RemoteScanLimits& limits = {});

}  // namespace tesselon

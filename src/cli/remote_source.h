// tesselon-batch with a remote source: the server is scanned with the stored connection
// (as the options adjust it) and every image is downloaded into the download folder,
// without questions, before the conversion reads them from there.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/remote_options.h"
#include "core/remote_outcomes.h"
#include "sources/folder_scan.h"

namespace tesselon {

struct AppState;
struct CliOptions;
struct SourceImageList;
struct STRProcesosEntorno;
class TerminalFrontend;

// The options into the environment settings; --remote makes the source the remote folder.
void applyRemoteOptions(const RemoteCliOptions& options, STRProcesosEntorno& env);

struct RemoteFetch {
    int exitCode = 0;                    // 2: no connection, no folder; otherwise 0
    std::vector<FailedRemoteFile> failed;  // files not downloaded, after the retries
    size_t downloaded = 0;
    size_t unchanged = 0;                // kept from an earlier download (--skip-unchanged)
    size_t connections = 0;
    double scanSeconds = 0;              // the remote scan, connection included
    double downloadSeconds = 0;
    std::string scannedFolder;           // the remote folder the scan walked
    bool stopped = false;                // a stop was asked on the way: nothing is to be converted
};

// Scans and downloads, over options.remote.connections at once (default 4). A file that
// fails is tried twice more, then skipped (the batch names it once, with why). A failed
// connection, or a remote folder that cannot be entered, ends the run with exit code 2;
// what else the scan passed by (folders it could not list, names it skipped) goes to
// `problems` and the download goes on. With --shard only the shard's share is
// downloaded; with --skip-unchanged a copy with the server's size and time is kept.
// `stopAsked`, when given, is asked between the steps of the scan and the download;
// true stops them (the transfers in hand are abandoned, leaving nothing behind).
RemoteFetch fetchRemoteSource(AppState& state, TerminalFrontend& ui, std::FILE* err, const CliOptions& options,
                              std::vector<ScanProblem>& problems, const std::function<bool()>& stopAsked = {});

// Gives the entries the download gave up on, and that have no result, that reason
// instead of the one the conversion found (a missing file).
void explainFailedDownloads(const RemoteFetch& fetch, const SourceImageList& list, std::vector<std::string>& problems);

}  // namespace tesselon

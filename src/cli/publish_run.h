// tesselon-batch --publish: the results of the run go up to the server beneath the
// publish folder, at their sources' paths relative to the scanned folder, over the
// connection of the settings and switches (the remote source's own, or for a local
// source the same server switches). With --skip-unchanged a result that was not
// converted again, and went up earlier with the same size and digest, stays as it is.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tesselon {

struct AppState;
struct CliOptions;
struct ParallelBatchOutcome;

struct PublishRun {
    bool asked = false;  // a publish folder was given
    // Per entry: -1 not a result of this run, 0 not published, 1 published (or unchanged there).
    std::vector<signed char> published;
    std::vector<std::string> reasons;  // per entry: why not, or that it stood unchanged
    size_t uploaded = 0;
    size_t unchanged = 0;   // left as they were on the server (--skip-unchanged)
    size_t failed = 0;
    size_t connections = 0;
    double seconds = 0;
};

struct PublishInputs {
    const ParallelBatchOutcome& outcome;
    std::vector<std::string> savePaths;  // per entry: the file its result went to
    std::string scannedFolder;           // the remote folder scanned, or the local source folder
    bool remoteSource = false;
};

// Publishes the saved results of the run; nothing when no publish folder was given.
// Each result that failed is named on `err` with why.
PublishRun publishRunResults(AppState& state, std::FILE* err, const CliOptions& options, const PublishInputs& in);

// The summary's line; empty when nothing was asked.
std::string publishSummaryLine(const PublishRun& run, const std::string& folder);

}  // namespace tesselon

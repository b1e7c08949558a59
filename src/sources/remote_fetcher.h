// Fetching the files of a remote download, one at a time per connection, whatever the
// protocol: each transfer runs on a worker while the caller polls it and keeps the
// windows alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/remote_outcomes.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

struct AppState;

// What poll() answers besides a byte count (0 or more).
inline constexpr int64_t kFetchRunning = -1;  // started, no byte yet
inline constexpr int64_t kFetchDone = -3;
inline constexpr int64_t kFetchFailed = -2;

class RemoteFetcher {
public:
    virtual ~RemoteFetcher() = default;

    // Before each file: a connection that the last failure left unusable is replaced.
    // False when no connection can be had back.
    virtual bool ready() = 0;
    // Starts fetching `remotePath` into `target`, written beside it and renamed into
    // place only when exactly `listedSize` bytes arrived (any size up to `sizeBound`
    // when it is 0 or less; a file listed larger than `sizeBound` fails at once). False
    // when it could not be started.
    virtual bool start(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
                       int64_t sizeBound) = 0;
    // Waits up to `ms` (0: not at all) for the file in hand to end: its bytes so far, kFetchRunning,
    // kFetchDone or kFetchFailed.
    virtual int64_t poll(int ms) = 0;
    // Why the last file failed.
    virtual RemoteFailure failure() const = 0;
    // Stops the file in hand; it ends as failed.
    virtual void abort() = 0;
};

// Which connection of a download a fetcher is. The first replaces the FTP session left
// in FtpID and takes its place there, and a failure to open it is told to the user. A
// further one, for a download over several connections at once, leaves the others
// alone and fails without a word: the download goes on with those it has.
enum class FetcherConnection { First, Further };

// How many of the `asked` connections a download with the stored connection data may
// open at once; `cap` says why when that is fewer (FTP in active mode keeps to one).
size_t downloadConnections(const AppState& state, size_t asked, DownloadConnectionsCap& cap);

// A fresh connection for a download with the stored connection data. Null, with
// `outcome` saying why, when the server cannot be reached or refuses the login.
std::unique_ptr<RemoteFetcher> openRemoteFetcher(AppState& state, RemoteConnectOutcome& outcome,
                                                 FetcherConnection which = FetcherConnection::First);

}  // namespace tesselon

// Uploading a run's results to the server, over several connections at once, whatever
// the protocol. Each result goes up under a temporary name in its final folder and is
// renamed onto its name only once the server confirmed the whole file, and its size is
// read back under the final name afterwards: a reader never sees a part of a file under
// its final name, and a server whose rename or size says otherwise fails the result.
// A cut or refused upload removes its temporary where the server still lets it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/remote_endpoint.h"
#include "core/remote_outcomes.h"
#include "runtime/fs/folder_handle.h"
#include "sources/publish/publish_plan.h"
#include "sources/remote_context.h"

namespace tesselon {

enum class PublishFailure {
    None,
    UnsafeName,            // the remote path could not be sent (PublishItemOutcome::name says why)
    OverDownloadedSource,  // it would replace a file the run downloaded as a source, and overwriting is off
    LocalFileFailed,       // the result cannot be read
    FolderRefused,         // a folder on the way could not be made (PublishItemOutcome::folder)
    UploadFailed,          // the transfer failed (PublishItemOutcome::remote says how)
    RenameFailed,          // the server refused the rename onto the final name
    RenameMisplaced,       // the rename answered success, but no file stands under the final name
    SizeDisagrees,         // the server holds another size under the final name than was sent
    NoConnection,          // no connection could be had for it
    Cancelled,             // the user stopped the publishing before it was done
};

struct PublishItem {
    FileInFolder local;       // the result on disk
    std::string remotePath;   // from publishPathOf
    PublishNameProblem name = PublishNameProblem::None;  // publishPathOf's problem, if any
    // The final name is that of a file the run downloaded as a source.
    bool overDownloadedSource = false;
    // The user allowed results over their sources (imagenesSobreescribir).
    bool overwriteAllowed = false;
};

struct PublishItemOutcome {
    PublishFailure failure = PublishFailure::None;
    RemoteFailure remote = RemoteFailure::None;  // the remote call that failed, when one did
    PublishNameProblem name = PublishNameProblem::None;
    std::string folder;      // FolderRefused: the folder that could not be made
    uint64_t bytes = 0;      // the result's size
    uint64_t serverBytes = 0;  // SizeDisagrees: what the server said
    // The temporary could not be removed after a failure: it may still be on the server.
    bool temporaryLeft = false;
    std::string temporary;
    bool published() const { return failure == PublishFailure::None; }
};

// How far the publishing is, for a progress window: shown on the calling thread.
struct PublishProgress {
    size_t done = 0;    // results gone through, published or not
    size_t total = 0;
    uint64_t bytes = 0;       // sent so far, of all results
    uint64_t totalBytes = 0;
    std::string name;   // the remote path last started
};

inline constexpr int kDefaultPublishConnections = 4;
inline constexpr int kMaxPublishConnections = 16;

// A result that failed to publish, asked about on the calling thread.
struct FailedPublish {
    size_t index = 0;  // of the items
    std::string remotePath;
    PublishItemOutcome outcome;
    int attempt = 1;   // 1 for the first try
};

struct PublishOptions {
    int connections = kDefaultPublishConnections;
    // Called on the calling thread, between waits of a few milliseconds.
    std::function<void(const PublishProgress&)> progress;
    // Whether to try a failed result again, skip it, or stop publishing (the results in
    // hand end, those not begun are Cancelled); asked on the calling thread, one at a
    // time, while the other connections go on. None: a failure is final at once. A
    // refusal before anything was sent (an unsafe name, a source not to be replaced, an
    // unreadable result) is never asked about.
    std::function<RetryAnswer(const FailedPublish&)> askRetry;
};

struct PublishOutcome {
    RemoteConnectOutcome connection;  // the first connection: when it failed, nothing was sent
    std::vector<PublishItemOutcome> items;  // one per item, in the items' order
    size_t published = 0;
    size_t connections = 0;  // connections used at most
    bool cancelled = false;
};

// The item that publishes the result saved at `savedPath` of the source at `sourcePath`
// (beneath `scannedFolder`). `downloadedSources` holds the server paths a remote run read
// its images from (none for a local source): a result must not take the place of one
// unless `overwriteAllowed`. A publish folder relative to the login folder is also judged
// as if that folder were the root, which can only refuse more.
PublishItem publishItemOf(std::string_view publishFolder, std::string_view scannedFolder, std::string_view sourcePath,
                          std::string_view savedPath, const std::unordered_set<std::string>& downloadedSources,
                          bool overwriteAllowed);

// Publishes `items` to `endpoint`. The first connection is opened on the calling thread
// (where the user may be asked to trust the server, through the context's front end);
// further ones, up to `options.connections`, on their workers without a question. The
// folders are made first, top down; then the results go up in the items' order, each
// connection taking the next. The context's cancel token stops every upload in hand
// within a moment, and the results not begun yet end as Cancelled.
PublishOutcome publishResults(const RemoteContext& context, const RemoteEndpoint& endpoint,
                              const std::vector<PublishItem>& items, const PublishOptions& options = {});

// The temporary name a result is uploaded under in its final folder: hidden, and
// unlike any name the program publishes.
std::string publishTemporaryFor(const std::string& remotePath);

}  // namespace tesselon

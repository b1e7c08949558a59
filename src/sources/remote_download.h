// The download of the images of the last remote scan into a local folder, recreating
// the remote folder tree below it, over several connections at once. Transfers run on
// workers while this thread keeps the windows alive; a failed file asks whether to
// retry, skip or cancel.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_outcomes.h"
#include "runtime/fs/regular_file.h"
#include "sources/remote_context.h"

namespace tesselon {

struct STRProcesosEntorno;

// The folder the folder chooser starts in: the last download folder
// (RutaEnLocalDeRemotoDescargadas) when it exists, otherwise the temporary folder.
std::string downloadChooserStart(const std::string& lastDownloadFolder);

inline constexpr int kDefaultDownloadConnections = kDefaultRemoteConnections;
inline constexpr int kMaxDownloadConnections = 16;

struct RemoteDownloadOptions {
    // Connections opened at most; a server that refuses some leaves the download with
    // those it gave (at least one).
    int connections = kDefaultDownloadConnections;
    // A file whose local copy has the server's size and modification time is kept as
    // it is (End counts it in `unchanged`).
    bool skipUnchanged = false;
    // Empty: every entry of the list; otherwise entry i only where wanted[i] is set.
    std::vector<char> wanted;
    // The most bytes one file may bring, whatever its listing says (one listed larger is
    // not asked for): by default the largest image the program reads.
    int64_t sizeBound = int64_t(kMaxImageFileBytes);
};

// Downloads every entry of `list`, the last scan's of the source of `env`, into
// `folder` (already chosen, not empty) with fresh connections; the context's cancel
// request stops it. `refreshPreview` runs after the rescan the origin question
// may start. A remote source only: with a local one nothing happens (End::NotRemote).
// Every file downloaded takes the server's modification time, when the server told it.
RemoteDownloadOutcome downloadRemoteImages(const RemoteContext& context, STRProcesosEntorno& env,
                                           SourceImageList& list, const std::string& folder,
                                           const std::function<void()>& refreshPreview,
                                           const RemoteDownloadOptions& options = {});

// Where an entry's remote path lands below the download folder; empty when the path
// would leave the folder (a ".." component, a link pointing out of it).
std::string downloadTarget(const std::string& folder, const std::string& remotePath);

}  // namespace tesselon

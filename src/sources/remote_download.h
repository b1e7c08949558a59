// The download of the images of the last remote scan into a local folder, recreating
// the remote folder tree below it. Transfers run on a worker while this thread keeps
// the windows alive; a failed file asks whether to retry, skip or cancel.
#pragma once

#include <functional>
#include <string>

#include "core/remote_outcomes.h"

namespace tesselon {

struct AppState;

// The folder the folder chooser starts in: the last download folder when it exists,
// otherwise the temporary folder.
std::string downloadChooserStart(const AppState& state);

// Downloads every entry of SourceImageList into `folder` (already chosen, not empty)
// with a fresh connection. `refreshPreview` runs after the rescan the origin question
// may start. A remote source only: with a local one nothing happens (End::NotRemote).
RemoteDownloadOutcome downloadRemoteImages(AppState& state, const std::string& folder,
                                           const std::function<void()>& refreshPreview);

// Where an entry's remote path lands below the download folder; empty when the path
// would leave the folder (a ".." component, a link pointing out of it).
std::string downloadTarget(const std::string& folder, const std::string& remotePath);

}  // namespace tesselon

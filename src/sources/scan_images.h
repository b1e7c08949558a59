// Filling the program's list of source images from the configured source.
#pragma once

#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/remote_outcomes.h"
#include "sources/folder_scan.h"
#include "sources/remote_context.h"

namespace tesselon {

struct STRProcesosEntorno;

// Empties `list` and fills it from the local source folder of `env` (or, for a remote
// source, from the remote scan), showing the progress window meanwhile; the context's
// cancel request keeps what was found so far. Records the scan's origin, extensions and image
// count in the environment settings and puts the cursor on the first image. A local
// scan does not enter the destination folder (RutaImagenesDestino) where it lies inside
// the source. What the scan passed by goes to `problems` when given, and how a remote
// scan went (its connection included) to `remote`. Always 0.
int scanImages(const RemoteContext& context, STRProcesosEntorno& env, SourceImageList& list, bool recursive, std::vector<ScanProblem>* problems = nullptr,
               RemoteScanOutcome* remote = nullptr);

// The source the settings name, as SourceImageList::origin records it: the local
// folder with its trailing "/", or "ftp://user@server:port" and the remote folder.
std::string listOriginOf(const STRProcesosEntorno& env);

// Scans again with imagenesRecursivo; when subfolders are on it asks first, and a "No"
// shows the source-changed notice again. True when a scan was run.
bool confirmRescan(const RemoteContext& context, STRProcesosEntorno& env, SourceImageList& list);

}  // namespace tesselon

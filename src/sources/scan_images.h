// Filling the program's list of source images from the configured source.
#pragma once

namespace tesselon {

struct AppState;

// Empties SourceImageList and fills it from the local source folder (or, for an FTP
// source, from the remote scan), showing the progress window meanwhile; a cancel
// request keeps what was found so far. Records the scan's origin, extensions and image
// count in the environment settings and puts the cursor on the first image. Always 0.
int scanImages(AppState& state, bool recursive);

// Scans again with imagenesRecursivo; when subfolders are on it asks first, and a "No"
// shows the source-changed notice again. True when a scan was run.
bool confirmRescan(AppState& state);

}  // namespace tesselon

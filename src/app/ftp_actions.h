// The FTP buttons of window 1: the connection data window (81) and the download of
// the remote images (83), as the event handler calls them.
#pragma once

#include <functional>
#include <string>

#include "core/remote_outcomes.h"

namespace tesselon {

struct AppState;
class Frontend;
class LanguageTable;
class MainWindow;
class Requesters;

// Opens window 3; true when the user accepted new data.
std::function<bool()> ftpConnectionWindow(AppState& state, LanguageTable& table, MainWindow& window);

// The box at the end of a download: an offer to open the folder (which it then opens
// with the desktop's handler) or why it failed.
void showDownloadEnd(Frontend& ui, const RemoteDownloadOutcome& outcome, RemoteProtocol protocol,
                     const std::string& folder);

// Asks for the download folder, downloads the images of the last remote scan into it,
// shows the list's first entry (now on disk) with `refreshPreview`, and shows the final
// box (which may open the folder).
std::function<void()> remoteImagesDownload(AppState& state, Requesters& requesters,
                                           std::function<void()> refreshPreview);

}  // namespace tesselon

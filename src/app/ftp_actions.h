// The FTP buttons of window 1: the connection data window (81) and the download of
// the remote images (83), as the event handler calls them.
#pragma once

#include <functional>

namespace tesselon {

struct AppState;
class LanguageTable;
class MainWindow;
class Requesters;

// Opens window 3; true when the user accepted new data.
std::function<bool()> ftpConnectionWindow(AppState& state, LanguageTable& table, MainWindow& window);

// Asks for the download folder, downloads the images of the last remote scan into it,
// shows the list's first entry (now on disk) with `refreshPreview`, and shows the final
// box (which may open the folder).
std::function<void()> remoteImagesDownload(AppState& state, Requesters& requesters,
                                           std::function<void()> refreshPreview);

}  // namespace tesselon

// Start-up and event steps whose services the program does not have yet. Each is
// called where the start sequence or the window needs it, so that adding the service
// means filling in its body.
#pragma once

#include <functional>

namespace tesselon {

struct AppState;

// NOT BUILT YET: starts the sockets layer of the FTP client. Nothing to start until
// the FTP client exists.
void startNetworking(AppState& state);

// NOT BUILT YET: the FTP connection window and the download of the remote images.
// Empty functions make their buttons do nothing.
std::function<bool()> ftpConnectionWindow(AppState& state);
std::function<void()> remoteImagesDownload(AppState& state);

}  // namespace tesselon

// The download of the images of the last remote scan into a local folder, recreating
// the remote folder tree below it. Transfers run on the FTP client's worker while this
// thread keeps the windows alive; a failed file asks whether to retry, skip or cancel.
#pragma once

#include <functional>
#include <string>

namespace tesselon {

struct AppState;

// The folder the folder chooser starts in: the last download folder when it exists,
// otherwise the temporary folder.
std::string downloadChooserStart(const AppState& state);

inline constexpr const char* kDownloadChooserTitle = "Elige la carpeta donde se descargarán las imágenes";

// How a download that got under way ended, beyond its message.
struct DownloadEnding {
    bool started = false;    // the files were gone through (some may be on disk)
    bool cancelled = false;  // by the user: the progress window's Cancelar, or Cancel for a failed file
    int skipped = 0;         // files the user chose to leave out
};

// Downloads every entry of SourceImageList into `folder` (already chosen, not empty)
// with a fresh session, and answers "0|message" or "1|message" for the final box.
// `refreshPreview` runs after the rescan the origin question may start. An FTP
// source only: with a local one nothing happens and the answer is empty. `ending`,
// when given, receives how it ended.
std::string downloadRemoteImages(AppState& state, const std::string& folder,
                                 const std::function<void()>& refreshPreview, DownloadEnding* ending = nullptr);

// The final box of a download: success asks whether to open the folder (and opens it
// with the desktop's handler), failure shows the error. A download that was cancelled
// or left files out says so in its title.
void showDownloadResult(AppState& state, const std::string& result, const std::string& folder,
                        const DownloadEnding& ending = {});

// Where an entry's remote path lands below the download folder; empty when the path
// would leave the folder (a ".." component, a link pointing out of it).
std::string downloadTarget(const std::string& folder, const std::string& remotePath);

}  // namespace tesselon

#include "app/ftp_actions.h"

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/text/ascii_text.h"
#include "sources/remote_download.h"
#include "ui/ftp_connection/open_ftp_connection_window.h"
#include "ui/main_window.h"
#include "ui/requesters.h"

namespace tesselon {

std::function<bool()> ftpConnectionWindow(AppState& state, LanguageTable& table, MainWindow& window) {
    return [&state, &table, &window] { return openFtpConnectionWindow(state, table, window.controls(), &window); };
}

std::function<void()> remoteImagesDownload(AppState& state, Requesters& requesters,
                                           std::function<void()> refreshPreview) {
    return [&state, &requesters, refreshPreview = std::move(refreshPreview)] {
        const std::string chosen = folderRequester(requesters, kDownloadChooserTitle, downloadChooserStart(state));
        const std::string folder(trimSpaces(chosen));
        if (folder.empty()) return;
        DownloadEnding ending;
        const std::string result = downloadRemoteImages(state, folder, refreshPreview, &ending);
        // The panes showed nothing readable before (or an older copy): the first entry
        // as it now lies in the download folder is shown before the box comes up.
        if (ending.started && !state.SourceImageList.empty()) {
            state.SourceImageList.current = 0;
            state.frontend->showCounts(0);
            refreshPreview();
        }
        showDownloadResult(state, result, folder, ending);
    };
}

}  // namespace tesselon

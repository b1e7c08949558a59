#include "app/ftp_actions.h"

#include "core/state.h"
#include "processing/batch/run_batch.h"
#include "runtime/text/ascii_text.h"
#include "sources/remote_download.h"
#include "ui/ftp_connection/open_ftp_connection_window.h"
#include "ui/main_window.h"
#include "ui/requesters.h"

namespace tesselon {

std::function<bool()> ftpConnectionWindow(AppState& state, LanguageTable& table, MainWindow& window) {
    return [&state, &table, &window] { return openFtpConnectionWindow(state, table, window.controls(), &window); };
}

std::function<void()> remoteImagesDownload(AppState& state, Requesters& requesters) {
    return [&state, &requesters] {
        const std::string chosen = folderRequester(requesters, kDownloadChooserTitle, downloadChooserStart(state));
        const std::string folder(trimSpaces(chosen));
        if (folder.empty()) return;
        const std::string result = downloadRemoteImages(state, folder, [&state] { runBatch(state, true); });
        showDownloadResult(state, result, folder);
    };
}

}  // namespace tesselon

#include "app/ftp_actions.h"

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/text/ascii_text.h"
#include "sources/open_download_folder.h"
#include "sources/remote_download.h"
#include "ui/ftp_connection/open_ftp_connection_window.h"
#include "ui/main_window.h"
#include "engine/remote_context_of.h"
#include "ui/remote_texts.h"
#include "ui/requesters.h"

namespace tesselon {

std::function<bool()> ftpConnectionWindow(AppState& state, LanguageTable& table, MainWindow& window) {
    return [&state, &table, &window] { return openFtpConnectionWindow(state, table, window.controls(), &window); };
}

void showDownloadEnd(Frontend& ui, const RemoteDownloadOutcome& outcome, RemoteProtocol protocol,
                     const std::string& folder) {
    const MessageBoxText box = downloadEndBox(outcome, protocol);
    if (box.title.empty()) return;
    if (ui.messageBox(box.title, box.text, box.buttons, box.icon) == MessageAnswer::Yes) openDownloadFolder(ui, folder);
}

std::function<void()> remoteImagesDownload(AppState& state, Requesters& requesters,
                                           std::function<void()> refreshPreview) {
    return [&state, &requesters, refreshPreview = std::move(refreshPreview)] {
        const std::string chosen = folderRequester(requesters, kDownloadChooserTitle, downloadChooserStart(state.settings.entorno.RutaEnLocalDeRemotoDescargadas));
        const std::string folder(trimSpaces(chosen));
        if (folder.empty()) return;
        const RemoteDownloadOutcome outcome = downloadRemoteImages(remoteContextOf(state), state.settings.entorno, state.SourceImageList, folder, refreshPreview);
        // The panes showed nothing readable before (or an older copy): the first entry
        // as it now lies in the download folder is shown before the box comes up.
        if (outcome.started() && !state.SourceImageList.empty()) {
            state.SourceImageList.current = 0;
            state.frontend->showCounts(0);
            refreshPreview();
        }
        showDownloadEnd(*state.frontend, outcome, remoteProtocolOf(state.settings.entorno.protocolo), folder);
    };
}

}  // namespace tesselon

// What the steps of one update check share: the check's inputs, a private folder for
// its temporary files, what window 4 shows, and the user's presses gathered while
// events are pumped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/frontend.h"
#include "runtime/fs/private_folder.h"
#include "runtime/http/http_transfer.h"
#include "update/download_tools/external_download.h"
#include "update/update_check/update_check.h"

namespace tesselon {

class UpdateSession {
public:
    explicit UpdateSession(UpdateCheck& check);

    UpdateCheck& check;
    AppState& state;
    Frontend& frontend;
    PrivateFolder temporary;
    UpdateScreen screen;
    bool newerFound = false;

    bool useTool() const;
    const std::string& programFolder() const;

    // Waits at least `ms` while the windows stay alive, noting the window's presses.
    void pause(double ms);
    // Shows `screen` in the window once it is open.
    void refresh();
    void openWindow();
    void closeWindow();

    // "Salir" was pressed, or the program was asked to end.
    bool leaveRequested() const;
    // A press of "Descargar" since the last call.
    bool takeDownloadRequest();
    bool checkBoxChecked() const { return checkBox_; }

    // Options of the check's transfers, with a body of at most `maxBodyBytes`.
    HttpOptions httpOptions(int64_t maxBodyBytes) const;
    // Waits for a transfer while the windows stay alive; a request to leave aborts it.
    // `onProgress` sees the bytes received after every pass.
    int64_t await(HttpTransfer& transfer, const std::function<void(int64_t)>& onProgress = {});
    // The same for a download through a tool, of at most `maxBytes`.
    ToolDownloadResult toolDownload(const std::string& url, const std::string& localPath, int64_t maxBytes);

private:
    void collectInput();

    bool windowOpen_ = false;
    bool leavePressed_ = false;
    bool downloadPressed_ = false;
    bool checkBox_ = false;
};

}  // namespace tesselon

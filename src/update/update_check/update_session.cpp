#include "update/update_check/update_session.h"

#include "core/state.h"

namespace tesselon {

namespace {
constexpr double kTransferPollMs = 5;
}  // namespace

UpdateSession::UpdateSession(UpdateCheck& c) : check(c), state(c.state), frontend(*c.state.frontend) {}

bool UpdateSession::useTool() const { return state.UseExternalDownloader == 1; }

const std::string& UpdateSession::programFolder() const { return state.ProgramFolder; }

void UpdateSession::collectInput() {
    if (!windowOpen_) return;
    const UpdateInput input = check.window.takeInput();
    leavePressed_ = leavePressed_ || input.leavePressed;
    downloadPressed_ = downloadPressed_ || input.downloadPressed;
    checkBox_ = input.checkBoxChecked;
}

void UpdateSession::pause(double ms) {
    frontend.waitPumpingEvents(ms);
    collectInput();
}

void UpdateSession::refresh() {
    if (windowOpen_) check.window.show(screen);
}

void UpdateSession::openWindow() {
    check.window.open(screen);
    windowOpen_ = true;
    checkBox_ = false;
}

void UpdateSession::closeWindow() {
    if (!windowOpen_) return;
    collectInput();
    check.window.close();
    windowOpen_ = false;
}

bool UpdateSession::leaveRequested() const { return leavePressed_ || state.settings.config.Cancelado == 1; }

bool UpdateSession::takeDownloadRequest() {
    collectInput();
    const bool pressed = downloadPressed_;
    downloadPressed_ = false;
    return pressed;
}

HttpOptions UpdateSession::httpOptions(int64_t maxBodyBytes) const {
    HttpOptions options;
    options.flags = kHttpAsync;
    options.limits = check.limits;
    options.limits.maxBodyBytes = maxBodyBytes;
    return options;
}

int64_t UpdateSession::await(HttpTransfer& transfer, const std::function<void(int64_t)>& onProgress) {
    return awaitTransfer(transfer, [&](int64_t received) {
        if (onProgress) onProgress(received);
        pause(kTransferPollMs);
        return !leaveRequested();
    });
}

ToolDownloadResult UpdateSession::toolDownload(const std::string& url, const std::string& localPath,
                                               int64_t maxBytes) {
    const ToolDownloadContext context{programFolder(), frontend, check.hosts, [this] {
                                          collectInput();
                                          return leaveRequested();
                                      }};
    return externalDownload(context, url, localPath, false, maxBytes);
}

}  // namespace tesselon

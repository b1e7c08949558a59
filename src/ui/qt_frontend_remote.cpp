// The desktop's side of the remote source: the engine's values shown in window 2, the
// status line and message boxes, in the words of ui/remote_texts.h.
#include <climits>

#include "ui/qt_frontend.h"
#include "ui/remote_texts.h"

namespace tesselon {

namespace {

// A byte count scaled to the progress bar's int range.
int barValue(int64_t value, int64_t maximum) {
    if (maximum <= INT_MAX) return int(value);
    return int(value / (maximum / INT_MAX + 1));
}

MessageAnswer showBox(Frontend& ui, const MessageBoxText& box) { return ui.messageBox(box.title, box.text, box.buttons, box.icon); }

}  // namespace

void QtFrontend::showRemoteProgress(const RemoteProgress& p) {
    const std::string text = remoteProgressText(p);
    switch (p.phase) {
    case RemotePhase::Scanning: setProgressText(text); return;
    case RemotePhase::Downloading:
        if (p.index == 0) {
            openProgressWindow(text, int(std::min<size_t>(p.total, INT_MAX)));
        } else if (p.bytes < 0) {
            // Each file (and each new try of one) starts the bar again at its size.
            setProgressText(text);
            openProgressWindow(text, barValue(p.size, p.size));
        } else {
            setProgressPosition(barValue(p.bytes, p.size));
        }
        return;
    case RemotePhase::Uploading:
        if (p.index == 0) {
            openProgressWindow(text, p.total == 0 ? 10 : int(std::min<size_t>(p.total, INT_MAX)));
        } else {
            setProgressText(text);
            setProgressPosition(int(std::min<size_t>(p.index, INT_MAX)));
        }
        return;
    }
}

void QtFrontend::showConnectionTest(const ConnectionTestReport& report, bool silent) {
    if (report.uploadCancelled) setStatusLine(false, kUploadCancelledText);
    // A success is told only to the window's own test; a refusal the user chose in the
    // trust question needs no second box.
    if (report.connection.ok() ? silent : report.connection.declined) return;
    showBox(*this, connectionTestBox(report));
}

bool QtFrontend::askTrustServer(const ServerIdentity& identity) {
    return showBox(*this, trustQuestion(identity)) == MessageAnswer::Yes;
}

RetryAnswer QtFrontend::askRetryRemoteFile(const FailedRemoteFile& file) {
    switch (showBox(*this, retryQuestion(file))) {
    case MessageAnswer::Yes: return RetryAnswer::Retry;
    case MessageAnswer::No: return RetryAnswer::Skip;
    default: return RetryAnswer::Cancel;
    }
}

void QtFrontend::showRemoteScanEnd(const RemoteScanOutcome& outcome) {
    const std::string line = remoteScanStatusLine(outcome);
    if (!line.empty()) setStatusLine(false, line);
}

}  // namespace tesselon

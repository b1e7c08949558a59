// Everything the engine shows to or asks of the user goes through this interface. The
// desktop program implements it with Qt, tesselon-batch with a terminal and fixed
// answers, and the tests with a scripted double that records what was shown.
//
// The engine never links a GUI toolkit; it only calls these operations.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/image_failure.h"
#include "core/remote_outcomes.h"

namespace tesselon {

struct ImageObject;

enum class MessageIcon { None, Information, Warning, Error };
// RetrySkipCancel answers Yes (retry), No (skip) or Cancel, under those captions.
// YesNoDefaultNo is a Yes/No question whose safe answer, No, is the default button.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoCancel, RetryCancel, RetrySkipCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

class Frontend {
public:
    virtual ~Frontend() = default;

    // A modal message box. Title and text are shown exactly as given ("\r\n" breaks lines).
    virtual MessageAnswer messageBox(std::string_view title, std::string_view text,
                                     MessageButtons buttons, MessageIcon icon) = 0;

    // The main window's status line: the text is written, then hidden or shown.
    virtual void setStatusLine(bool hide, std::string_view text) = 0;

    // The progress window of long operations.
    virtual void openProgressWindow(std::string_view text, int maximum) = 0;
    virtual void setProgressText(std::string_view text) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void closeProgressWindow() = 0;

    // Waits at least `ms` milliseconds while keeping the windows alive. Only the
    // immediate callbacks (cancel buttons, preview checkbox, clock) act meanwhile.
    virtual void waitPumpingEvents(double ms) = 0;
    // Handles at most one pending window event without waiting.
    virtual void pumpOneEvent() = 0;

    // Main window state around long operations.
    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void bringMainWindowToFront() = 0;

    // Main-window hooks of the engine's operations. A front end without a main window
    // (the terminal, most tests) has nothing to refresh and keeps these empty bodies.

    // Copies every control into the settings records (file panel, text, image groups).
    virtual void readControlsIntoSettings() {}
    // Refreshes the image and phrase counters for the current image index (0-based).
    virtual void showCounts(int /*index*/) {}
    // Shows or hides the notice that the source changed and a rescan is needed.
    virtual void setSourceChangedNotice(bool /*visible*/) {}
    // Swaps PROCESAR and CANCELAR while a batch runs.
    virtual void setBatchRunning(bool /*running*/) {}
    // A batch has handled `done` of its `total` images (0 when it starts).
    virtual void showBatchProgress(size_t /*done*/, size_t /*total*/) {}
    // The "0000003/0000250" counter of the preview panel.
    virtual void setImageCounter(std::string_view /*text*/) {}
    // Draws the current text settings on the result pane's placeholder and shows it.
    virtual void refreshTextSample() {}
    // Shows an image in the source (0) or result (1) preview pane, fitted to it; the
    // image itself is left as it is.
    virtual void showPreviewImage(const ImageObject& /*image*/, int /*pane*/) {}
    // A quick picture stands in the panes while the exact preview is being made: a small
    // sign says so until it is hidden again.
    virtual void showPreviewRefining(bool /*refining*/) {}
    // No image is listed: the source pane shows its placeholder, not the last picture.
    virtual void clearSourcePane() {}
    // The entry `name` cannot be read: both panes say so, with the reason, instead of
    // showing the picture of another entry.
    virtual void showUnreadableSource(std::string_view /*name*/, ImageFailure /*why*/) {}
    // The end of a batch that was not cancelled: every image converted, or which were not
    // and why.
    virtual void showBatchEnd(const BatchEnd& /*end*/) {}

    // The remote source. Its progress, outcomes and questions arrive as values; each
    // front end words them itself.

    // Where a scan, download or test upload is (the progress window's text and bar).
    virtual void showRemoteProgress(const RemoteProgress& progress) = 0;
    // How a connection test went. A failed connection is always told; a successful one
    // only when `silent` is false (the window's own test).
    virtual void showConnectionTest(const ConnectionTestReport& report, bool silent) = 0;
    // The server showed a certificate that does not verify, or a host key no file knows:
    // true when the user trusts it from now on.
    virtual bool askTrustServer(const ServerIdentity& identity) = 0;
    // A file of a remote download failed: retry it, skip it, or stop the download.
    virtual RetryAnswer askRetryRemoteFile(const FailedRemoteFile& file) = 0;
    // A remote scan ended (the status line says what went wrong, if anything).
    virtual void showRemoteScanEnd(const RemoteScanOutcome& outcome) = 0;
};

}  // namespace tesselon

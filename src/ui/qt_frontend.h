// The desktop program's Frontend: message boxes, the status line, the progress window,
// the event pumping of long operations and the immediate callbacks, on Qt.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/frontend.h"
#include "processing/batch/row_picture.h"
#include "runtime/imaging/image_object.h"
#include "ui/interface_images.h"
#include "ui/requesters.h"

class QLabel;
class QWidget;

namespace tesselon {

struct AppState;
class LanguageTable;
class MainWindow;
class ProgressWindow;

class QtFrontend : public Frontend, public Requesters {
public:
    // Answers message boxes without showing them; in-process tests set it.
    using MessageScript = std::function<MessageAnswer(std::string_view title, std::string_view text,
                                                      MessageButtons, MessageIcon)>;
    // Answers the file, folder, colour and font requesters without showing them.
    using RequesterScript = std::function<RequesterAnswer(const RequesterCall&)>;

    static constexpr int kSourcePane = 0;
    static constexpr int kResultPane = 1;
    static constexpr uint32_t kPaneBackground = 0x000000;

    QtFrontend(AppState& state, LanguageTable& table, MainWindow* mainWindow = nullptr);
    ~QtFrontend() override;
    QtFrontend(const QtFrontend&) = delete;
    QtFrontend& operator=(const QtFrontend&) = delete;

    void setMainWindow(MainWindow* w);
    void setMessageScript(MessageScript script) { script_ = std::move(script); }
    void setRequesterScript(RequesterScript script) { requesterScript_ = std::move(script); }
    // The placeholder of the result pane (image 10) is drawn on for the text sample.
    void setInterfaceImages(const InterfaceImages* images) { images_ = images; }

    // Connects the immediate callbacks of window 1: CANCELAR (126) to onMainCancel and
    // the preview checkbox (66) to onPreviewToggle. They run inside any event pumping.
    void bindImmediateCallbacks();

    // Raises the cancel token (and sets Cancelado) and tells the user, with the
    // information icon.
    void onMainCancel();
    // Window 2's Cancelar: raises the cancel token (and sets Cancelado) and tells the
    // user, without icon.
    void onProgressCancel();
    // Preview := the preview checkbox's state, at once.
    void onPreviewToggle();

    // Window 2 while it exists, else null.
    ProgressWindow* progressWindow() const;

    // The fitted image a preview pane shows at the moment; null before the first one.
    const ImageObject* previewImage(int pane) const;

    RequesterAnswer request(const RequesterCall& call) override;

    MessageAnswer messageBox(std::string_view title, std::string_view text,
                             MessageButtons buttons, MessageIcon icon) override;
    void setStatusLine(bool hide, std::string_view text) override;
    void openProgressWindow(std::string_view text, int maximum) override;
    // These two may be called from a worker thread (the FTP test upload); the change
    // then reaches the window through the GUI thread's event loop.
    void setProgressText(std::string_view text) override;
    void setProgressPosition(int position) override;
    void closeProgressWindow() override;
    // Waits at least `ms` while dispatching events; meanwhile window 1's control
    // events are dropped. Pending events are handled even for 0 ms.
    void waitPumpingEvents(double ms) override;
    void pumpOneEvent() override;
    void setMainWindowEnabled(bool enabled) override;
    void bringMainWindowToFront() override;

    // Window 1's part of the engine's operations.
    void readControlsIntoSettings() override;
    void showCounts(int index) override;
    void setSourceChangedNotice(bool visible) override;
    void setBatchRunning(bool running) override;
    void setImageCounter(std::string_view text) override;
    // "n de m" and the time left in the first two fields of the status bar.
    void showBatchProgress(size_t done, size_t total) override;
    void refreshTextSample() override;
    // Shows a copy of `image` shrunk to the pane, centred on black (over a checkerboard
    // where it is transparent); the pane's previous image is released.
    void showPreviewImage(const ImageObject& image, int pane) override;
    // How the panes, as they stand now, would show an image: a function any thread may
    // call, so that a batch's workers make the panes' pictures beside their images and
    // showPreviewImage then only puts them up. Empty while there are no panes.
    std::function<std::optional<ImageObject>(const ImageObject& image, int pane)> panePictureMaker() const;
    // The same pictures made from an image's rows as they are decoded, for an image of
    // width x height large enough that its picture averages blocks first (nothing
    // otherwise); the picture goes to `done`. Empty while there are no panes.
    using PaneRowsMaker = std::function<std::unique_ptr<RowPicture>(int width, int height, int pane,
                                                                    std::function<void(ImageObject&&)> done)>;
    PaneRowsMaker paneRowPictureMaker() const;
    // "Afinando…" in a corner of the result pane (a label named "previewRefining") while
    // the quick picture stands there.
    void showPreviewRefining(bool refining) override;
    // The source pane's start-up placeholder again.
    void clearSourcePane() override;
    // Both panes show a placeholder that says so, and tell assistive technology.
    void showUnreadableSource(std::string_view name, ImageFailure why) override;
    // The plain "Fin de proceso" notice, or a warning naming what failed.
    void showBatchEnd(const BatchEnd& end) override;

    // The remote source, worded as the desktop words it (ui/remote_texts.h).
    void showRemoteProgress(const RemoteProgress& progress) override;
    void showConnectionTest(const ConnectionTestReport& report, bool silent) override;
    bool askTrustServer(const ServerIdentity& identity) override;
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile& file) override;
    void showRemoteScanEnd(const RemoteScanOutcome& outcome) override;

    // The program is ending at the user's request: every further message box gets its
    // Escape answer without being shown.
    void setEnding(bool ending) { ending_ = ending; }

    // CANCELAR ignores clicks for this long after it takes PROCESAR's place.
    static constexpr qint64 kCancelDeafMs = 400;

private:
    // The preview panes' sizes, source then result; nothing while there are no panes.
    std::optional<std::array<std::pair<int, int>, 2>> paneBoxes() const;
    void requestCancel();
    QWidget* dialogParent() const;
    bool onGuiThread() const;

    AppState& state_;
    LanguageTable& table_;
    QPointer<MainWindow> main_;
    QPointer<ProgressWindow> progress_;
    MessageScript script_;
    RequesterScript requesterScript_;
    const InterfaceImages* images_ = nullptr;
    std::array<ImageObject, 2> previews_;
    QPointer<QLabel> refining_;  // made the first time it is needed
    QElapsedTimer cancelShown_;  // since CANCELAR appeared; invalid while it is hidden
    QElapsedTimer batchStarted_;  // since the batch's first progress; invalid between batches
    bool ending_ = false;
    // Lives as long as this front end: connections and queued calls made on its
    // behalf end with it.
    QObject context_;
};

}  // namespace tesselon

#include "ui/batch_progress_text.h"
#include "ui/qt_frontend.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cmath>

#include "core/state.h"
#include "processing/text/text_sample.h"
#include "ui/batch_end_box.h"
#include "ui/failure_texts.h"
#include "ui/fit_image_to_box.h"
#include "ui/pane_row_picture.h"
#include "ui/main_window.h"
#include "ui/main_window_controls.h"
#include "ui/progress_window.h"
#include "ui/settings_binding.h"
#include "ui/unreadable_placeholder.h"

namespace tesselon {

namespace {

constexpr std::string_view kCancelTitle = "Información";
constexpr std::string_view kCancelText = "Proceso Cancelado por Usuario";

QString toQ(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QMessageBox::StandardButtons standardButtons(MessageButtons b) {
    switch (b) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetrySkipCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(MessageIcon i) {
    switch (i) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton defaultButton(MessageButtons b) {
    switch (b) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetrySkipCancel: return QMessageBox::Yes;
    case MessageButtons::RetryCancel: return QMessageBox::Retry;
    case MessageButtons::YesNoDefaultNo: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

MessageAnswer answerOf(int button) {
    switch (button) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Retry: return MessageAnswer::Retry;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

// What Escape answers, and what a box asked while the program is ending gets.
MessageAnswer escapeAnswer(MessageButtons b) {
    switch (b) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
    }
}

// Shuts window 1's event gate while events are pumped, and survives the window going
// away meanwhile.
class PumpScope {
public:
    explicit PumpScope(MainWindow* window) : window_(window) {
        if (window_) window_->eventGate().suspend();
    }
    ~PumpScope() {
        if (window_) window_->eventGate().resume();
    }
    PumpScope(const PumpScope&) = delete;
    PumpScope& operator=(const PumpScope&) = delete;

private:
    QPointer<MainWindow> window_;
};

}  // namespace

QtFrontend::QtFrontend(AppState& state, LanguageTable& table, MainWindow* mainWindow)
    : state_(state), table_(table), main_(mainWindow) {}

QtFrontend::~QtFrontend() { delete progress_.data(); }

void QtFrontend::setMainWindow(MainWindow* w) { main_ = w; }

ProgressWindow* QtFrontend::progressWindow() const { return progress_.data(); }

bool QtFrontend::onGuiThread() const { return QThread::currentThread() == context_.thread(); }

QWidget* QtFrontend::dialogParent() const {
    // Over the window the user is looking at: the progress window while an operation
    // shows it, else window 1.
    if (progress_ && progress_->isVisible()) return progress_.data();
    return main_.data();
}

MessageAnswer QtFrontend::messageBox(std::string_view title, std::string_view text,
                                     MessageButtons buttons, MessageIcon icon) {
    // The user asked to leave: nothing more is asked or told.
    if (ending_) return escapeAnswer(buttons);
    if (script_) return script_(title, text, buttons, icon);
    // Texts use "\r\n" line breaks; Qt wants plain "\n".
    QString body = toQ(text);
    body.replace("\r\n", "\n");
    QMessageBox box(standardIcon(icon), toQ(title), body, standardButtons(buttons), dialogParent());
    // The buttons speak the interface's language; the first one stays the default, so
    // Return answers Yes (or OK) as it always has.
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Yes, "Sí"}, {QMessageBox::No, "No"}, {QMessageBox::Ok, "Aceptar"},
        {QMessageBox::Cancel, "Cancelar"}, {QMessageBox::Retry, "Reintentar"}};
    for (auto [which, caption] : captions)
        if (QAbstractButton* button = box.button(which)) button->setText(QString::fromUtf8(caption));
    if (buttons == MessageButtons::RetrySkipCancel) {
        box.button(QMessageBox::Yes)->setText("Reintentar");
        box.button(QMessageBox::No)->setText("Omitir");
    }
    box.setDefaultButton(defaultButton(buttons));
    return answerOf(box.exec());
}

void QtFrontend::bindImmediateCallbacks() {
    if (!main_) return;
    ControlRegistry& controls = main_->controls();
    controls.bindImmediate(Gadget_Principal_Button_Cancelar, &context_, [this] { onMainCancel(); });
    controls.bindImmediate(Gadget_Principal_CheckBox_Preview, &context_, [this] { onPreviewToggle(); });
}

void QtFrontend::onMainCancel() {
    // CANCELAR takes PROCESAR's place: the second click of a double click on PROCESAR
    // lands on it, and must not cancel the batch the first click started.
    if (cancelShown_.isValid() && cancelShown_.elapsed() < kCancelDeafMs) return;
    requestCancel();
    messageBox(kCancelTitle, kCancelText, MessageButtons::Ok, MessageIcon::Information);
}

// The batch, the scans and downloads poll the token; the update check still polls the
// stored flag.
void QtFrontend::requestCancel() {
    state_.cancel->request();
    state_.settings.config.Cancelado = 1;
}

void QtFrontend::onProgressCancel() {
    requestCancel();
    messageBox(kCancelTitle, kCancelText, MessageButtons::Ok, MessageIcon::None);
}

void QtFrontend::onPreviewToggle() {
    if (main_) state_.settings.entorno.Preview = int8_t(main_->controls().state(Gadget_Principal_CheckBox_Preview));
}

void QtFrontend::setStatusLine(bool hide, std::string_view text) {
    if (!main_) return;
    ControlRegistry& controls = main_->controls();
    controls.setText(Gadget_Principal_TextInformativo, text);
    controls.setVisible(Gadget_Principal_TextInformativo, !hide);
}

void QtFrontend::openProgressWindow(std::string_view text, int maximum) {
    if (!progress_) {
        progress_ = new ProgressWindow(table_);
        progress_->controls().bindImmediate(Gadget_Progreso_Button_Cancelar, &context_, [this] { onProgressCancel(); });
        progress_->onCloseRequested = [this] { onProgressCancel(); };
        progress_->centreOnScreen();
        // Kept above window 1 without being its child, which would disable it together
        // with window 1 during the operation.
        if (main_ && main_->windowHandle()) {
            progress_->winId();
            progress_->windowHandle()->setTransientParent(main_->windowHandle());
        }
    }
    progress_->reset(text, maximum);
    progress_->show();
    progress_->raise();
}

void QtFrontend::setProgressText(std::string_view text) {
    if (!onGuiThread()) {
        QMetaObject::invokeMethod(
            &context_, [this, copy = std::string(text)] { setProgressText(copy); }, Qt::QueuedConnection);
        return;
    }
    if (progress_) progress_->setInformation(text);
}

void QtFrontend::setProgressPosition(int position) {
    if (!onGuiThread()) {
        QMetaObject::invokeMethod(
            &context_, [this, position] { setProgressPosition(position); }, Qt::QueuedConnection);
        return;
    }
    if (progress_) progress_->setPosition(position);
}

void QtFrontend::closeProgressWindow() {
    if (!progress_) return;
    ProgressWindow* window = progress_.data();
    progress_.clear();
    window->closeForExit();
    // Deleted later: this may run inside a slot of the window itself.
    window->deleteLater();
}

void QtFrontend::waitPumpingEvents(double ms) {
    const PumpScope shut(main_.data());
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const qint64 limitNs = ms > 0 ? qint64(std::ceil(ms * 1e6)) : 0;
    // Sleeps in an event loop until the time has passed, instead of spinning.
    while (clock.nsecsElapsed() <= limitNs) {
        const qint64 remainingMs = (limitNs - clock.nsecsElapsed()) / 1000000 + 1;
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(std::min<qint64>(remainingMs, INT_MAX)));
        loop.exec();
    }
}

void QtFrontend::pumpOneEvent() {
    const PumpScope shut(main_.data());
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtFrontend::setMainWindowEnabled(bool enabled) {
    if (main_) main_->setEnabled(enabled);
}

void QtFrontend::bringMainWindowToFront() {
    if (!main_) return;
    main_->raise();
    main_->activateWindow();
}

const ImageObject* QtFrontend::previewImage(int pane) const {
    if (pane != kSourcePane && pane != kResultPane) return nullptr;
    const ImageObject& image = previews_[size_t(pane)];
    return image.valid() ? &image : nullptr;
}

RequesterAnswer QtFrontend::request(const RequesterCall& call) {
    if (requesterScript_) return requesterScript_(call);
    return showRequester(call, dialogParent());
}

void QtFrontend::readControlsIntoSettings() {
    if (!main_) return;
    ControlRegistry& controls = main_->controls();
    bindEnvironment(state_, controls, BindDirection::Read);
    bindTextOverlay(state_, controls, BindDirection::Read);
    bindImageOps(state_, controls, BindDirection::Read);
}

void QtFrontend::showCounts(int index) {
    if (main_) tesselon::showCounts(state_, main_->controls(), index);
}

void QtFrontend::setSourceChangedNotice(bool visible) {
    if (main_) main_->controls().setVisible(Gadget_Principal_Archivo_Text_OrigenImagesCambiado, visible);
}

void QtFrontend::setBatchRunning(bool running) {
    if (!main_) return;
    ControlRegistry& controls = main_->controls();
    controls.setEnabled(Gadget_Principal_Button_Procesar, !running);
    controls.setVisible(Gadget_Principal_Button_Procesar, !running);
    controls.setVisible(Gadget_Principal_Button_Cancelar, running);
    if (running) {
        cancelShown_.start();
    } else {
        cancelShown_.invalidate();
        batchStarted_.invalidate();
        main_->setStatusField(0, {});
        main_->setStatusField(1, {});
    }
}

void QtFrontend::showBatchProgress(size_t done, size_t total) {
    if (!main_) return;
    if (!batchStarted_.isValid()) batchStarted_.start();
    main_->setStatusField(0, QString::fromStdString(batchCountText(done, total)));
    main_->setStatusField(
        1, QString::fromStdString(batchTimeLeftText(done, total, double(batchStarted_.elapsed()) / 1000.0)));
}

void QtFrontend::setImageCounter(std::string_view text) {
    if (main_) main_->controls().setText(Gadget_Principal_Text_InfoNumImagenes, text);
}

void QtFrontend::clearSourcePane() {
    constexpr int kSourcePlaceholder = 9;
    if (!main_ || images_ == nullptr) return;
    previews_[size_t(kSourcePane)] = ImageObject{};
    ControlRegistry& controls = main_->controls();
    controls.setImage(Gadget_Principal_Image_Origen, (*images_)[size_t(kSourcePlaceholder - 1)]);
    controls.widget(Gadget_Principal_Image_Origen)->setAccessibleDescription({});
}

void QtFrontend::refreshTextSample() {
    constexpr int kResultPlaceholder = 10;
    if (images_ == nullptr) return;
    const ImageObject& placeholder = (*images_)[size_t(kResultPlaceholder - 1)];
    if (placeholder.valid()) tesselon::refreshTextSample(state_.settings, state_.DefaultWatermarkText, state_.fontDpi, state_.frontend,
                                                         placeholder);
}

void QtFrontend::showPreviewImage(const ImageObject& image, int pane) {
    if (!main_ || (pane != kSourcePane && pane != kResultPane)) return;
    const int control = pane == kSourcePane ? Gadget_Principal_Image_Origen : Gadget_Principal_Image_Resultado;
    ControlRegistry& controls = main_->controls();
    const QWidget* box = controls.widget(control);
    if (box == nullptr) return;
    std::optional<ImageObject> fitted =
        fitImageToBox(image, box->width(), box->height(), state_.DpiScaleX, state_.DpiScaleY, kPaneBackground);
    if (!fitted) return;
    previews_[size_t(pane)] = std::move(*fitted);
    controls.setImage(control, previews_[size_t(pane)]);
    controls.widget(control)->setAccessibleDescription({});
}

std::optional<std::array<std::pair<int, int>, 2>> QtFrontend::paneBoxes() const {
    if (!main_) return std::nullopt;
    std::array<std::pair<int, int>, 2> boxes;
    for (int pane : {kSourcePane, kResultPane}) {
        const QWidget* box = main_->controls().widget(pane == kSourcePane ? Gadget_Principal_Image_Origen
                                                                          : Gadget_Principal_Image_Resultado);
        if (box == nullptr) return std::nullopt;
        boxes[size_t(pane)] = {box->width(), box->height()};
    }
    return boxes;
}

std::function<std::optional<ImageObject>(const ImageObject&, int)> QtFrontend::panePictureMaker() const {
    const auto boxes = paneBoxes();
    if (!boxes) return {};
    // Copies of the sizes and the scale: the window may change while the workers run.
    return [boxes = *boxes, scaleX = state_.DpiScaleX, scaleY = state_.DpiScaleY](
               const ImageObject& image, int pane) -> std::optional<ImageObject> {
        if (pane != kSourcePane && pane != kResultPane) return std::nullopt;
        const auto [width, height] = boxes[size_t(pane)];
        return fitImageToBox(image, width, height, scaleX, scaleY, kPaneBackground);
    };
}

QtFrontend::PaneRowsMaker QtFrontend::paneRowPictureMaker() const {
    const auto boxes = paneBoxes();
    if (!boxes) return {};
    return [boxes = *boxes, scaleX = state_.DpiScaleX, scaleY = state_.DpiScaleY](
               int width, int height, int pane, std::function<void(ImageObject&&)> done) -> std::unique_ptr<RowPicture> {
        if (pane != kSourcePane && pane != kResultPane) return nullptr;
        const auto [boxWidth, boxHeight] = boxes[size_t(pane)];
        const std::optional<PaneFit> fit = paneFitFor(width, height, boxWidth, boxHeight, scaleX, scaleY);
        if (!fit) return nullptr;
        return PaneRowPicture::start(width, height, *fit, kPaneBackground, std::move(done));
    };
}

void QtFrontend::showPreviewRefining(bool refining) {
    if (!main_) return;
    QWidget* pane = main_->controls().widget(Gadget_Principal_Image_Resultado);
    if (pane == nullptr) return;
    if (!refining_) {
        if (!refining) return;
        refining_ = new QLabel(QString::fromUtf8("Afinando…"), pane);
        refining_->setObjectName("previewRefining");
        refining_->setAccessibleName(QString::fromUtf8("Afinando la vista previa"));
        QFont font = refining_->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        refining_->setFont(font);
        refining_->setStyleSheet("QLabel { color: white; background: rgba(0, 0, 0, 150); border-radius: 3px; "
                                 "padding: 1px 6px; }");
        refining_->adjustSize();
    }
    refining_->move(pane->width() - refining_->width() - 4, 4);
    refining_->setVisible(refining);
    if (refining) refining_->raise();
}

void QtFrontend::showUnreadableSource(std::string_view name, ImageFailure why) {
    if (!main_) return;
    ControlRegistry& controls = main_->controls();
    const std::string reason = failureText(why);
    const QString said = QString::fromUtf8("No se puede leer ") + toQ(name) + ": " + toQ(reason);
    for (int pane : {kSourcePane, kResultPane}) {
        const int control = pane == kSourcePane ? Gadget_Principal_Image_Origen : Gadget_Principal_Image_Resultado;
        QWidget* box = controls.widget(control);
        if (box == nullptr) continue;
        ImageObject placeholder =
            drawUnreadablePlaceholder(int(std::lround(box->width() * state_.DpiScaleX)),
                                      int(std::lround(box->height() * state_.DpiScaleY)), state_.DpiScaleY, name, reason);
        if (!placeholder.valid()) continue;
        previews_[size_t(pane)] = std::move(placeholder);
        controls.setImage(control, previews_[size_t(pane)]);
        box->setAccessibleDescription(said);
    }
}

void QtFrontend::showBatchEnd(const BatchEnd& end) {
    const MessageBoxText box = batchEndBox(end);
    messageBox(box.title, box.text, MessageButtons::Ok, box.icon);
}

}  // namespace tesselon

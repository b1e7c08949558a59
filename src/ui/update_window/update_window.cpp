#include "ui/update_window/update_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <climits>

#include "ui/colour_conversion.h"
#include "ui/control_builder.h"
#include "ui/language_table.h"
#include "ui/update_window/update_window_controls.h"

namespace tesselon {

namespace {

// The bar counts in int; a larger file is shown in proportion.
void showProgress(ControlRegistry& controls, int64_t maximum, int64_t value) {
    int64_t scale = 1;
    while (maximum / scale > INT_MAX) scale *= 2;
    controls.setRange(Gadget_Update_ProgressBar, 0, int(maximum / scale));
    controls.setState(Gadget_Update_ProgressBar, int(std::clamp<int64_t>(value, 0, maximum) / scale));
}

}  // namespace

UpdateWindow::UpdateWindow(LanguageTable& table, QWidget* owner) : table_(table), owner_(owner) {
    setObjectName("Window_Update");
    // A tool window's small title bar, with its close button.
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(QString::fromStdString(table.lookupText("Window_Update")));
    buildControls(this, WindowContent{updateWindowLayout(), {}, nullptr}, controls_, table);

    for (int id : controls_.ids()) {
        QWidget* w = controls_.widget(id);
        QFont font = w->font();
        // Where Constantia is missing, the system's default serif is far wider than it;
        // Liberation Serif keeps the captions within their boxes.
        if (font.family() == "Constantia") font.setFamilies({"Constantia", "Liberation Serif"});
        if (id == Gadget_Update_Frame3D69 || id == Gadget_Update_Frame3D69_70) font.setUnderline(true);
        w->setFont(font);
    }
    // The caption breaks into lines for the face now in use.
    controls_.setCaptionWraps(Gadget_Update_Button_Descargar, true);

    // Presses are noted at once, whatever loop dispatches them.
    controls_.bindImmediate(Gadget_Update_Button_Descargar, this, [this] { pressed_.downloadPressed = true; });
    controls_.bindImmediate(Gadget_Update_Button_Cancelar, this, [this] { pressed_.leavePressed = true; });

    // Tab goes from the download button to Salir to the check box.
    QWidget* download = controls_.widget(Gadget_Update_Button_Descargar);
    QWidget* leave = controls_.widget(Gadget_Update_Button_Cancelar);
    QWidget* check = controls_.widget(Gadget_Update_CheckBox_ComprobarActualizacion);
    for (QWidget* w : {download, leave, check}) w->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(download, leave);
    setTabOrder(leave, check);
}

void UpdateWindow::centreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void UpdateWindow::open(const UpdateScreen& screen) {
    centreOnScreen();
    if (owner_ && owner_->windowHandle()) {
        winId();
        windowHandle()->setTransientParent(owner_->windowHandle());
    }
    controls_.setState(Gadget_Update_CheckBox_ComprobarActualizacion, 0);
    pressed_ = UpdateInput{};
    show(screen);
    QWidget::show();
    raise();
    activateWindow();
}

void UpdateWindow::show(const UpdateScreen& screen) {
    setFixedHeight(screen.expanded ? kClientHeight : kSmallHeight);
    controls_.setText(Gadget_Update_Text_VersionLocal, screen.localStamp);
    controls_.setText(Gadget_Update_Text_VersionInternet, screen.onlineStamp.empty()
                                                              ? table_.lookupText("Gadget_Update_Text_VersionInternet")
                                                              : screen.onlineStamp);
    controls_.setText(Gadget_Update_Text_DownloadingCurrentFile,
                      screen.fileCounter.empty() ? table_.lookupText("Gadget_Update_Text_DownloadingCurrentFile")
                                                 : screen.fileCounter);
    showProgress(controls_, screen.progressMaximum, screen.progressValue);
    if (screen.expanded && !controls_.widget(Gadget_Update_Button_Descargar)->hasFocus() &&
        !controls_.widget(Gadget_Update_Button_Cancelar)->hasFocus() &&
        !controls_.widget(Gadget_Update_CheckBox_ComprobarActualizacion)->hasFocus())
        controls_.widget(Gadget_Update_Button_Cancelar)->setFocus();
}

UpdateInput UpdateWindow::takeInput() {
    UpdateInput input = pressed_;
    input.checkBoxChecked = controls_.state(Gadget_Update_CheckBox_ComprobarActualizacion) != 0;
    pressed_ = UpdateInput{};
    return input;
}

void UpdateWindow::close() {
    closingForGood_ = true;
    QWidget::close();
    // Without a window manager (or with one that does not track owners) the keyboard
    // would stay with no window at all; it goes back to the window that opened this one.
    if (owner_ && owner_->isVisible()) owner_->activateWindow();
}

void UpdateWindow::closeEvent(QCloseEvent* event) {
    if (closingForGood_) {
        event->accept();
        return;
    }
    // The title bar's close button means "Salir"; the update check closes the window.
    pressed_.leavePressed = true;
    event->ignore();
}

void UpdateWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        pressed_.leavePressed = true;
        return;
    }
    QWidget::keyPressEvent(event);
}

void UpdateWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(kBackgroundColour));
}

}  // namespace tesselon

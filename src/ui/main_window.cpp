#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include "runtime/dates/dates.h"
#include "ui/colour_conversion.h"
#include "ui/control_builder.h"
#include "ui/language_table.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"
#include "ui/window_layout.h"

namespace tesselon {

namespace {
constexpr int kStatusBarHeight = 22;
constexpr int kFieldWidth = 200;
}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Window_Principal");
    // Title bar with system menu, minimise and close; no maximise, fixed size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    // The status bar sits inside the client area along its bottom edge.
    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    statusBar_->setAutoFillBackground(true);
    for (int i = 0; i < 3; ++i) {
        fields_[i] = new QLabel(statusBar_);
        fields_[i]->setObjectName(QString("StatusBarField%1").arg(i));
    }
    setStatusField(0, {});
    fields_[0]->setFixedWidth(kFieldWidth);
    fields_[0]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setStatusField(1, {});
    fields_[1]->setFixedWidth(kFieldWidth);
    fields_[1]->setFrameStyle(QFrame::NoFrame);
    fields_[2]->setObjectName("StatusBarClock");
    fields_[2]->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fields_[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fields_[2]->setAccessibleName("Fecha y hora");
    statusBar_->addWidget(fields_[0]);
    statusBar_->addWidget(fields_[1]);
    statusBar_->addWidget(fields_[2], 1);

    clock_ = new QTimer(this);
    clock_->setObjectName(QString("Timer%1").arg(kClockTimerNumber));
    clock_->setInterval(kClockTimerMs);
    connect(clock_, &QTimer::timeout, this, &MainWindow::showClock);
    showClock();
    clock_->start();

    controls_.setEventSink([this](int control, ControlEventKind kind) {
        dispatch(WindowEvent{WindowEventType::Control, control, kind});
    });
}

void MainWindow::buildControls(LanguageTable& table, const InterfaceImages& images) {
    setWindowTitle(QString::fromStdString(table.lookupText("Window_Principal")));
    const auto& tabKeys = mainPanelTabKeys();
    tesselon::buildControls(this, WindowContent{mainWindowLayout(), tabKeys, &images}, controls_, table);

    for (int id : {Gadget_Principal_TextInformativo, Gadget_Principal_Archivo_Text_OrigenImagesCambiado,
                   Gadget_Principal_Button_Cancelar, Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota})
        controls_.setVisible(id, false);
    placeTrackbarsAtTheirLabels(controls_);

    // A trackbar swallows the mouse while it is dragged; its release is the window's
    // "left button released" event, which some handlers wait for.
    for (int id : controls_.ids())
        if (controls_.kind(id) == ControlKind::Trackbar) controls_.widget(id)->installEventFilter(this);
    statusBar_->raise();
}

bool MainWindow::dispatch(const WindowEvent& event) {
    if (!handleMainEvent) return false;
    if (gate_.suspended() || handling_) {
        if (!gate_.deferring()) return false;
        gate_.keep(event);
        if (onEventKept) onEventKept(event);
        return true;
    }
    handling_ = true;
    const std::string answer = handleMainEvent(event);
    handling_ = false;
    finishWith(answer);
    return true;
}

void MainWindow::finishWith(const std::string& answer) {
    if (answer != kProgramEnd) return;
    if (onProgramEnd)
        onProgramEnd();
    else
        closeForExit();
}

void MainWindow::closeForExit() {
    closingForExit_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closingForExit_) {
        event->accept();
        return;
    }
    // The window closes only through the exit path. A request during a preview refresh
    // is kept for when it is over; one during a long operation goes to its own handler.
    event->ignore();
    if (gate_.suspended() || handling_) {
        if (gate_.deferring())
            gate_.keep(WindowEvent{WindowEventType::CloseRequest, 0, ControlEventKind::Clicked});
        else if (onCloseWhileBusy)
            onCloseWhileBusy();
        return;
    }
    if (onCloseRequested) {
        if (onCloseRequested()) event->accept();
        return;
    }
    if (!handleMainEvent) {
        event->accept();
        return;
    }
    dispatch(WindowEvent{WindowEventType::CloseRequest, 0, ControlEventKind::Clicked});
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dispatch(WindowEvent{WindowEventType::LeftButtonUp, 0, ControlEventKind::Clicked});
    QWidget::mouseReleaseEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* slider = qobject_cast<QSlider*>(watched);
    if (slider == nullptr || event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QWidget::eventFilter(watched, event);
    // The trackbar takes the release first, so the handler sees its final position.
    // Handing it over directly rather than through the application keeps an ignored
    // release from travelling on to the window as a second "button released".
    static_cast<QObject*>(slider)->event(event);
    dispatch(WindowEvent{WindowEventType::LeftButtonUp, controls_.idOf(slider), ControlEventKind::Clicked});
    event->accept();
    return true;
}

void MainWindow::paintEvent(QPaintEvent*) {
    // Painted rather than set in the palette, which every control would inherit.
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(background_));
}

void MainWindow::setBackgroundColour(uint32_t colour) {
    background_ = colour & 0xFFFFFF;
    update();
}

void MainWindow::showClock() {
    fields_[2]->setText(QString::fromStdString(formatDate("%dd/%mm/%yyyy %hh:%ii:%ss", currentDate())));
}

QString MainWindow::clockText() const { return fields_[2]->text(); }

void MainWindow::setStatusField(int index, const QString& text) {
    if (index < 0 || index > 1) return;
    fields_[index]->setText(!text.isEmpty() ? text : index == 0 ? QStringLiteral("Area 1") : QStringLiteral("Area 2"));
}

QString MainWindow::statusFieldText(int index) const {
    return index >= 0 && index < 3 ? fields_[index]->text() : QString();
}

void MainWindow::centreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
}

}  // namespace tesselon

#include "ui/progress_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "ui/colour_conversion.h"
#include "ui/control_builder.h"
#include "ui/language_table.h"
#include "ui/main_window_controls.h"
#include "ui/window_layout.h"

namespace tesselon {

ProgressWindow::ProgressWindow(LanguageTable& table, QWidget* parent) : QWidget(parent) {
    setObjectName("Window_Progreso");
    // A dialog that asks the window manager for a title bar alone: no minimise, maximise
    // or close button. A window manager that keeps a close button anyway gets Cancelar
    // from it (closeEvent).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(QString::fromStdString(table.lookupText("Window_Progreso")));
    buildControls(this, WindowContent{progressWindowLayout(), {}, nullptr}, controls_, table);
}

void ProgressWindow::reset(std::string_view text, int maximum) {
    setInformation(text);
    controls_.setRange(Gadget_Progreso_ProgressBar, 0, maximum);
    controls_.setState(Gadget_Progreso_ProgressBar, 0);
}

void ProgressWindow::setInformation(std::string_view text) {
    controls_.setText(Gadget_Progreso_Text_Informacion, text);
}

void ProgressWindow::setPosition(int position) { controls_.setState(Gadget_Progreso_ProgressBar, position); }

void ProgressWindow::centreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
}

void ProgressWindow::closeForExit() {
    closingForExit_ = true;
    close();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (closingForExit_) {
        event->accept();
        return;
    }
    event->ignore();
    if (onCloseRequested) onCloseRequested();
}

void ProgressWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(kBackgroundColour));
}

}  // namespace tesselon

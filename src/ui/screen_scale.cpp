#include "ui/screen_scale.h"

#include <QGuiApplication>
#include <QScreen>

namespace tesselon {

ScreenScale readScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    return ScreenScale{ratio, ratio};
}

}  // namespace tesselon

#include "app/guarded_application.h"

#include <QMessageBox>

#include <cstdio>

#include "processing/batch/batch_exceptions.h"

namespace tesselon {

namespace {

constexpr int kExitStopped = 1;

}  // namespace

void tellUncaughtException(bool box) noexcept {
    const CaughtStop stop = currentStop();
    const bool memory = stop.stop == BatchStop::OutOfMemory;
    std::fprintf(stderr, "tesselon: stopped: %s%s%s\n", memory ? "the system gave no more memory" : "an internal error",
                 stop.detail.empty() ? "" : ": ", stop.detail.c_str());
    if (!box) return;
    // The box needs some memory of its own; without it stderr has said enough.
    runCatching([memory] {
        QMessageBox::critical(nullptr, QString::fromUtf8("Error inesperado"),
                              QString::fromUtf8(memory ? "El programa se detiene: no hay memoria suficiente."
                                                       : "El programa se detiene por un error interno."));
    });
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        tellUncaughtException();
        // Every event loop ends, the main one with this code.
        QCoreApplication::exit(kExitStopped);
        return false;
    }
}

}  // namespace tesselon

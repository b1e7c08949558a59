// The desktop program's QApplication: an exception that leaves an event handler (no
// memory, a fault of the program or a library) is caught where Qt hands events out,
// told on stderr and in a box, and ends the program with exit code 1 instead of
// taking it down mid-event.
#pragma once

#include <QApplication>

namespace tesselon {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;
};

// Says on stderr, and in a box when `box` (a QApplication must exist), why the program
// stops; for the exception being handled.
void tellUncaughtException(bool box = true) noexcept;

}  // namespace tesselon

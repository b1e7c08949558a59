// Turns SIGTERM and SIGINT into a close request handled by the event loop, so a
// session logout or `kill` ends the program through its normal exit steps.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tesselon {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Only one instance may exist at a time: it owns the process's handlers.
    explicit TerminationSignals(std::function<void()> onTerminate, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void drain();

    std::function<void()> onTerminate_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tesselon

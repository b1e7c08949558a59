#include "app/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace tesselon {

namespace {

// Written by the signal handler; the handler may do nothing but write to this pipe.
int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onTerminate, QObject* parent)
    : QObject(parent), onTerminate_(std::move(onTerminate)) {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    delete notifier_;
    for (int& fd : gSignalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::drain() {
    char buffer[64];
    while (::read(gSignalPipe[0], buffer, sizeof buffer) > 0) {
    }
    if (onTerminate_) onTerminate_();
}

}  // namespace tesselon

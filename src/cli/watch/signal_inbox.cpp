#include "cli/watch/signal_inbox.h"

#include <errno.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tesselon {

namespace {

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

SignalInbox::SignalInbox() {
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
    fd_.reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
}

SignalInbox::~SignalInbox() {
    // Whatever arrived and was not taken yet must not act once unblocked.
    take();
    fd_.reset();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

ReceivedSignals SignalInbox::take() {
    ReceivedSignals got;
    if (!fd_.valid()) return got;
    struct signalfd_siginfo info {};
    for (;;) {
        const ssize_t n = ::read(fd_.get(), &info, sizeof info);
        if (n < 0 && errno == EINTR) continue;
        if (n != ssize_t(sizeof info)) break;
        if (info.ssi_signo == SIGHUP) got.reload = true;
        else got.stop = true;
    }
    return got;
}

}  // namespace tesselon

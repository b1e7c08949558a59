// SIGTERM, SIGINT and SIGHUP taken as data rather than handled: they are blocked for
// the thread that makes the object (and for the workers it starts later) and read from
// a signalfd, so the loop can wait for them beside its other descriptors and a batch
// can look at them between images. The mask before comes back with the object.
#pragma once

#include <signal.h>

#include "runtime/fs/file_descriptor.h"

namespace tesselon {

struct ReceivedSignals {
    bool stop = false;    // SIGTERM or SIGINT
    bool reload = false;  // SIGHUP
};

class SignalInbox {
public:
    SignalInbox();
    ~SignalInbox();
    SignalInbox(const SignalInbox&) = delete;
    SignalInbox& operator=(const SignalInbox&) = delete;

    bool ok() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    // The signals that arrived since the last call, without waiting.
    ReceivedSignals take();

private:
    sigset_t previous_{};
    FileDescriptor fd_;
};

}  // namespace tesselon

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "runtime/process/program_run_impl.h"

namespace tesselon {

namespace {

// How often a wait with open output pipes looks whether the child has ended while a
// grandchild may still hold the pipes open.
constexpr int kWaitPollMs = 20;

size_t bytesWaiting(const FileDescriptor& fd) {
    int count = 0;
    if (!fd.valid() || ::ioctl(fd.get(), FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<size_t>(count);
}

// Moves what the pipe holds into `pending`; false at end of data.
bool drainInto(const FileDescriptor& fd, std::string& pending) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        pending.append(chunk, static_cast<size_t>(got));
        return true;
    }
}

size_t readPendingThenPipe(std::string& pending, const FileDescriptor& fd, void* buffer, size_t count) {
    char* out = static_cast<char*>(buffer);
    const size_t fromPending = std::min(count, pending.size());
    std::memcpy(out, pending.data(), fromPending);
    pending.erase(0, fromPending);
    size_t done = fromPending;
    if (done < count && fd.valid()) {
        const long long got = readFully(fd.get(), out + done, count - done);
        if (got > 0) done += static_cast<size_t>(got);
    }
    return done;
}

// Writes to a pipe whose reader may be gone without letting SIGPIPE end this process:
// the signal is held back for this thread and a SIGPIPE raised by the write is consumed.
bool writeWithoutSigpipe(int fd, std::string_view data) {
    sigset_t pipeOnly, previous, pendingBefore;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    sigpending(&pendingBefore);
    const bool ok = writeAll(fd, data.data(), data.size());
    if (!ok && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec noWait{};
        while (::sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace

ProgramRun::Impl::~Impl() {
    if (!ended) reapInBackground(pid);
}

bool ProgramRun::Impl::checkEnded() {
    if (ended) return true;
    const pid_t got = ::waitpid(pid, &status, WNOHANG);
    if (got == pid) ended = true;
    if (got < 0 && errno == ECHILD) {
        // Someone else reaped it; with the status unknown, report an abnormal end.
        status = -1;
        ended = true;
    }
    return ended;
}

void ProgramRun::Impl::waitForEnd() {
    if (ended) return;
    // A program that waits for the end of its input would otherwise never end.
    input.reset();
    for (;;) {
        std::vector<pollfd> watched;
        if (output.valid() && !outputClosed) watched.push_back({output.get(), POLLIN, 0});
        if (error.valid() && !errorClosed) watched.push_back({error.get(), POLLIN, 0});
        if (watched.empty() || checkEnded()) break;
        if (::poll(watched.data(), watched.size(), kWaitPollMs) <= 0) continue;
        for (const pollfd& p : watched) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const bool isOutput = p.fd == output.get();
            if (!drainInto(isOutput ? output : error, isOutput ? pendingOutput : pendingError)) {
                (isOutput ? outputClosed : errorClosed) = true;
            }
        }
    }
    while (!ended) {
        const pid_t got = ::waitpid(pid, &status, 0);
        if (got < 0 && errno != EINTR) status = -1;
        if (got == pid || (got < 0 && errno != EINTR)) ended = true;
    }
}

ProgramRun::ProgramRun(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ProgramRun::~ProgramRun() = default;

bool ProgramRun::running() {
    if (!impl_->checkEnded()) return true;
    return availableOutput() > 0;
}

size_t ProgramRun::availableOutput() { return impl_->pendingOutput.size() + bytesWaiting(impl_->output); }

size_t ProgramRun::availableErrorOutput() { return impl_->pendingError.size() + bytesWaiting(impl_->error); }

size_t ProgramRun::readOutput(void* buffer, size_t count) {
    return readPendingThenPipe(impl_->pendingOutput, impl_->output, buffer, count);
}

size_t ProgramRun::readError(void* buffer, size_t count) {
    return readPendingThenPipe(impl_->pendingError, impl_->error, buffer, count);
}

bool ProgramRun::writeInput(std::string_view data) {
    return impl_->input.valid() && writeWithoutSigpipe(impl_->input.get(), data);
}

void ProgramRun::closeInput() { impl_->input.reset(); }

int ProgramRun::exitCode() {
    impl_->waitForEnd();
    return WIFEXITED(impl_->status) ? WEXITSTATUS(impl_->status) : -1;
}

int ProgramRun::pid() const { return impl_->pid; }

}  // namespace tesselon

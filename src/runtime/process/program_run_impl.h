// The state behind a ProgramRun, shared by the runner and the run's queries.
#pragma once

#include <string>
#include <sys/types.h>

#include "runtime/fs/file_descriptor.h"
#include "runtime/process/program_run.h"

namespace tesselon {

struct ProgramRun::Impl {
    pid_t pid = -1;
    int flags = 0;
    FileDescriptor output;  // read end of the child's stdout
    FileDescriptor input;   // write end of the child's stdin
    FileDescriptor error;   // read end of the child's stderr
    // Output collected while waiting for the end, served before the pipe.
    std::string pendingOutput;
    std::string pendingError;
    bool outputClosed = false;
    bool errorClosed = false;
    bool ended = false;
    int status = 0;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    // Reaps the child if it has ended; never blocks.
    bool checkEnded();
    // Blocks until the child ends, draining the output pipes meanwhile.
    void waitForEnd();
};

// Waits for `pid` on a detached thread so an abandoned child does not stay a zombie.
void reapInBackground(pid_t pid);

}  // namespace tesselon

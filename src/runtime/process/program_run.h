// Starting external programs, reading their output, and opening documents and URLs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tesselon {

enum RunFlags {
    kRunWait = 0x01,          // wait until the program ends
    kRunHide = 0x02,          // no window, no terminal of its own
    kRunOpen = 0x04,          // return a ProgramRun for later queries
    kRunReadOutput = 0x08,    // with kRunOpen: capture stdout
    kRunWriteInput = 0x10,    // with kRunOpen: feed stdin
    kRunReadError = 0x20,     // with kRunOpen: capture stderr
    kRunConnectInput = 0x40,  // with kRunOpen: stdin from another run's output
};

class ProgramRun {
public:
    ~ProgramRun();  // closes the pipes; a running child keeps running

    bool running();                     // not ended yet, or unread output remains
    size_t availableOutput();           // bytes waiting in the stdout pipe
    // Blocks until `count` bytes arrived or the pipe closed; returns bytes read.
    size_t readOutput(void* buffer, size_t count);
    size_t readError(void* buffer, size_t count);
    bool writeInput(std::string_view data);
    void closeInput();
    int exitCode();                     // waits for the end; -1 when it did not exit normally
    int pid() const;

    struct Impl;
    explicit ProgramRun(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

struct RunResult {
    bool ok = false;                     // the program (or the opener) was started
    std::unique_ptr<ProgramRun> run;     // with kRunOpen
};

// `program` is a path, or a document or URL: when no process can be created and no
// pipe is requested, it is opened with the desktop's opener (xdg-open) instead.
// `parameters` is split like a shell would split it, quotes respected.
RunResult runProgram(std::string_view program, std::string_view parameters = {},
                     std::string_view workingFolder = {}, int flags = 0,
                     ProgramRun* inputFrom = nullptr);

}  // namespace tesselon

// Starting external programs, reading their output, and opening documents and URLs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

enum RunFlags {
    kRunWait = 0x01,          // wait until the program ends
    kRunHide = 0x02,          // no window of its own (nothing to hide on this platform)
    kRunOpen = 0x04,          // return a ProgramRun for later queries
    kRunReadOutput = 0x08,    // with kRunOpen: capture stdout
    kRunWriteInput = 0x10,    // with kRunOpen: feed stdin
    kRunReadError = 0x20,     // with kRunOpen: capture stderr
    kRunConnectInput = 0x40,  // with kRunOpen: stdin from another run's output
};

// A started program and the parent's ends of its pipes. The child is always reaped:
// by exitCode(), or in the background once the ProgramRun is gone.
class ProgramRun {
public:
    struct Impl;
    explicit ProgramRun(std::unique_ptr<Impl> impl);
    ~ProgramRun();  // closes the pipes; a running child keeps running

    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool running();                     // not ended yet, or unread output remains
    size_t availableOutput();           // bytes of stdout waiting to be read
    size_t availableErrorOutput();      // bytes of stderr waiting to be read
    // Blocks until `count` bytes arrived or the pipe closed; returns bytes read.
    size_t readOutput(void* buffer, size_t count);
    size_t readError(void* buffer, size_t count);
    // False when there is no input pipe or the program no longer reads it.
    bool writeInput(std::string_view data);
    void closeInput();
    // Waits for the end (closing the input pipe first, and collecting output meanwhile
    // so a program filling its pipes cannot stall the wait); -1 when it did not exit
    // normally.
    int exitCode();
    int pid() const;

    // For the runner's own code.
    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

struct RunResult {
    bool ok = false;                     // the program (or the opener) was started
    std::unique_ptr<ProgramRun> run;     // with kRunOpen
};

// Starts `program` (a path, searched in PATH when it has no "/"; a text starting with
// a double quote is split like the parameters) with `parameters` split like a command
// line: blanks separate, double quotes group and are removed. The pipe flags apply only
// with kRunOpen; kRunConnectInput hands `inputFrom`'s output pipe over to the new
// program. When the program cannot be started and no pipe is requested, `program` is
// opened as a document, folder or URL with the desktop's opener: $TESSELON_OPENER
// (split the same way) or else "xdg-open", run in the document's folder unless
// `workingFolder` says otherwise; ok then tells whether the opener was started.
RunResult runProgram(std::string_view program, std::string_view parameters = {},
                     std::string_view workingFolder = {}, int flags = 0,
                     ProgramRun* inputFrom = nullptr);

// Starts arguments[0] (a path, searched in PATH when it has no "/") with the other
// elements as its arguments exactly as they are: nothing is split or unquoted, and
// nothing is handed to the opener when the program cannot be started.
RunResult runProgramArguments(const std::vector<std::string>& arguments, std::string_view workingFolder = {},
                              int flags = 0);

}  // namespace tesselon

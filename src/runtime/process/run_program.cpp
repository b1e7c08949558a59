#include <array>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <vector>

#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "runtime/process/command_line.h"
#include "runtime/process/program_run_impl.h"

extern char** environ;

namespace tesselon {

namespace {

constexpr int kPipeFlags = kRunReadOutput | kRunWriteInput | kRunReadError | kRunConnectInput;

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;

    // Both ends close on exec; the child's end reaches the child through dup2, which
    // clears that flag on the copy only, so no other program inherits either end.
    bool open() {
        std::array<int, 2> fds{};
        if (::pipe2(fds.data(), O_CLOEXEC) != 0) return false;
        read.reset(fds[0]);
        write.reset(fds[1]);
        return true;
    }
};

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
        // The child starts with default signal handling and nothing blocked, whatever
        // this process ignores (SIGPIPE, for one) or blocks.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        ::posix_spawnattr_setsigdefault(&attributes_, &all);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool redirect(int from, int to) { return ::posix_spawn_file_actions_adddup2(&actions_, from, to) == 0; }
    bool changeFolder(const std::string& folder) {
        return ::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()) == 0;
    }

    // The child's id, or -1 when it could not be started (not found, not executable,
    // the folder missing ...).
    pid_t spawn(const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        const bool hasFolder = arguments[0].find('/') != std::string::npos;
        const int error = hasFolder ? ::posix_spawn(&pid, argv[0], &actions_, &attributes_, argv.data(), environ)
                                    : ::posix_spawnp(&pid, argv[0], &actions_, &attributes_, argv.data(), environ);
        return error == 0 ? pid : -1;
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

std::vector<std::string> programArguments(std::string_view program, std::string_view parameters) {
    std::vector<std::string> arguments;
    if (!program.empty() && program.front() == '"') {
        arguments = splitCommandLine(program);
    } else if (!program.empty()) {
        arguments.emplace_back(program);
    }
    for (std::string& p : splitCommandLine(parameters)) arguments.push_back(std::move(p));
    return arguments;
}

RunResult finish(std::unique_ptr<ProgramRun::Impl> impl, int flags) {
    RunResult result;
    result.ok = true;
    if (flags & kRunWait) impl->waitForEnd();
    if (flags & kRunOpen) result.run = std::make_unique<ProgramRun>(std::move(impl));
    return result;
}

// Opens a document, folder or URL with the desktop's opener.
RunResult openWithDesktop(std::string_view program, std::string_view workingFolder, int flags) {
    const char* configured = std::getenv("TESSELON_OPENER");
    std::vector<std::string> arguments = splitCommandLine(configured && *configured ? configured : "xdg-open");
    const std::vector<std::string> target = programArguments(program, {});
    if (arguments.empty() || target.empty()) return {};
    arguments.push_back(target[0]);

    SpawnSetup setup;
    std::string folder(workingFolder);
    if (folder.empty() && fileSize(pathPart(target[0])) == kFileIsFolder) folder = pathPart(target[0]);
    if (!folder.empty() && !setup.changeFolder(folder)) return {};
    auto impl = std::make_unique<ProgramRun::Impl>();
    impl->flags = flags & ~kPipeFlags;
    impl->pid = setup.spawn(arguments);
    if (impl->pid < 0) return {};
    return finish(std::move(impl), flags);
}

// Starts the program with the pipes the flags ask for. `impl` is empty when nothing
// started; `spawnFailed` then tells that the program itself could not be started, as
// opposed to a pipe or the working folder.
struct Spawned {
    std::unique_ptr<ProgramRun::Impl> impl;
    bool spawnFailed = false;
};

Spawned spawnWithPipes(const std::vector<std::string>& arguments, std::string_view workingFolder, int flags,
                       ProgramRun* inputFrom) {
    // Pipes without a ProgramRun to read them would stall the child once full.
    const int pipes = (flags & kRunOpen) ? flags & kPipeFlags : 0;

    SpawnSetup setup;
    Pipe output, input, error;
    if ((pipes & kRunReadOutput) && !(output.open() && setup.redirect(output.write.get(), STDOUT_FILENO))) return {};
    if ((pipes & kRunReadError) && !(error.open() && setup.redirect(error.write.get(), STDERR_FILENO))) return {};
    if (pipes & kRunWriteInput) {
        if (!(input.open() && setup.redirect(input.read.get(), STDIN_FILENO))) return {};
    } else if (pipes & kRunConnectInput) {
        if (!inputFrom || !inputFrom->impl().output.valid()) return {};
        if (!setup.redirect(inputFrom->impl().output.get(), STDIN_FILENO)) return {};
    }
    if (!workingFolder.empty() && !setup.changeFolder(std::string(workingFolder))) return {};

    auto impl = std::make_unique<ProgramRun::Impl>();
    impl->flags = flags;
    impl->pid = setup.spawn(arguments);
    if (impl->pid < 0) return Spawned{nullptr, true};
    impl->output = std::move(output.read);
    impl->input = std::move(input.write);
    impl->error = std::move(error.read);
    // The connected program owns that output now; reading it here would steal its input.
    if ((pipes & kRunConnectInput) && !(pipes & kRunWriteInput)) inputFrom->impl().output.reset();
    return Spawned{std::move(impl), false};
}

}  // namespace

RunResult runProgram(std::string_view program, std::string_view parameters, std::string_view workingFolder,
                     int flags, ProgramRun* inputFrom) {
    const std::vector<std::string> arguments = programArguments(program, parameters);
    if (arguments.empty() || arguments[0].empty()) return {};
    Spawned spawned = spawnWithPipes(arguments, workingFolder, flags, inputFrom);
    if (spawned.impl) return finish(std::move(spawned.impl), flags);
    if (spawned.spawnFailed && !(flags & kPipeFlags)) return openWithDesktop(program, workingFolder, flags);
    return {};
}

RunResult runProgramArguments(const std::vector<std::string>& arguments, std::string_view workingFolder, int flags) {
    if (arguments.empty() || arguments[0].empty()) return {};
    Spawned spawned = spawnWithPipes(arguments, workingFolder, flags & ~kRunConnectInput, nullptr);
    if (!spawned.impl) return {};
    return finish(std::move(spawned.impl), flags);
}

}  // namespace tesselon

#include "remote/ftp_session.h"

#include <fcntl.h>
#include <unistd.h>

#include "remote/ftp_protocol_text.h"
#include "remote/ftp_session_state.h"

namespace tesselon {

namespace {

constexpr size_t kListingWindow = 1024;  // a listing line longer than this ends the listing
constexpr size_t kUploadBlock = 64 * 1024;

}  // namespace

FtpSession::State::State(FileDescriptor connection, const FtpConnectOptions& options)
    : control(std::move(connection)),
      passive(options.passive),
      timeoutSeconds(options.timeoutSeconds),
      reader([this](char* buffer, size_t length) {
          return receiveSome(control.get(), buffer, length, deadline());
      }) {
    if (std::optional<Ipv4Endpoint> p = peerEndpoint(control.get())) peer = *p;
    if (std::optional<Ipv4Endpoint> l = localEndpoint(control.get())) local = *l;
}

FtpSession::State::~State() {
    abortRequested = true;
    joinWorker();
    if (control.valid()) {
        // QUIT is polite; its reply is not worth waiting for.
        if (std::optional<std::string> quit = commandLine("QUIT")) {
            sendAll(control.get(), quit->data(), quit->size(), Deadline(1));
        }
    }
}

bool FtpSession::State::sendCommand(std::string_view command, std::string_view argument) {
    const std::optional<std::string> line = commandLine(command, argument);
    return line && inStep() && sendAll(control.get(), line->data(), line->size(), deadline());
}

bool FtpSession::State::command(std::string_view command, std::string_view argument, std::string_view codes,
                                std::string* replyText) {
    return sendCommand(command, argument) && reader.expectReply(codes, replyText);
}

bool FtpSession::State::setType(std::string_view wanted) {
    if (type == wanted) return true;
    type.clear();
    if (!command("TYPE ", wanted, "200")) return false;
    type = wanted;
    return true;
}

void FtpSession::State::finishTransfer(int64_t result) {
    {
        std::lock_guard lock(endMutex);
        progress = result;
        running = false;
    }
    ended.notify_all();
}

void FtpSession::State::joinWorker() {
    if (worker.joinable()) worker.join();
}

std::optional<FtpSession> FtpSession::connect(const FtpConnectOptions& options) {
    const std::optional<uint32_t> address = resolveIpv4(options.host);
    if (!address || options.port <= 0 || options.port > 65535) return std::nullopt;
    FileDescriptor fd = connectTcp(Ipv4Endpoint{*address, uint16_t(options.port)}, options.timeoutSeconds);
    if (!fd.valid()) return std::nullopt;
    auto state = std::make_unique<State>(std::move(fd), options);
    state->reader.drainReply();
    // A server that lets the user in without a password (230 to USER) is refused too.
    if (!state->command("USER ", options.user, "331") || !state->command("PASS ", options.password, "230")) {
        return std::nullopt;  // the state's destructor sends QUIT
    }
    return FtpSession(std::move(state));
}

FtpSession::FtpSession(std::unique_ptr<State> state) : state_(std::move(state)) {}
FtpSession::FtpSession(FtpSession&&) noexcept = default;
FtpSession& FtpSession::operator=(FtpSession&&) noexcept = default;
FtpSession::~FtpSession() = default;

FtpListing& FtpSession::listing_() { return state_->listing; }

const FtpListEntry* FtpSession::entry() const { return state_->listing.current(); }

bool FtpSession::check() {
    State& s = *state_;
    if (s.transferRunning()) return true;
    s.joinWorker();
    if (!s.inStep()) return false;
    if (s.progress.load() >= 0) return true;
    return s.command("PWD", {}, "257");
}

bool FtpSession::changeDir(std::string_view directory) {
    if (directory == "..") return state_->command("CDUP", {}, "250");
    return state_->command("CWD ", directory, "250");
}

bool FtpSession::makeDir(std::string_view directory) { return state_->command("MKD ", directory, "257"); }

std::string FtpSession::currentDir() {
    std::string reply;
    if (!state_->command("PWD", {}, "257", &reply)) return {};
    return parseCurrentDirReply(reply);
}

bool FtpSession::list() {
    State& s = *state_;
    s.listing.clear();
    FtpDataConnection data(s);
    if (!s.setType("A") || !data.open() || !s.command("LIST", {}, "125;150")) return false;
    if (!data.accept()) {
        data.close();
        s.reader.drainReply();
        return false;
    }
    std::vector<FtpListEntry> entries;
    char window[kListingWindow];
    size_t held = 0;
    bool complete = false;
    for (;;) {
        if (held == sizeof window) break;  // one line fills the window: the listing ends there
        const long got = receiveSome(data.fd(), window + held, sizeof window - held, s.deadline());
        complete = got == 0;
        if (got <= 0) break;
        held += size_t(got);
        const size_t used = parseListingLines(std::string_view(window, held), entries);
        std::copy(window + used, window + held, window);
        held -= used;
    }
    s.listing.reset(std::move(entries));
    data.close();
    // A listing that stalled gets no final reply worth waiting another timeout for.
    if (complete) {
        s.reader.drainReply();
    } else {
        s.outOfStep = true;
    }
    return true;
}

bool FtpSession::upload(const std::string& localPath, std::string_view remoteName) {
    State& s = *state_;
    FileDescriptor file(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return false;
    s.joinWorker();
    FtpDataConnection data(s);
    if (!s.setType("I") || !data.open() || !s.command("STOR ", remoteName, "125;150") ||
        !data.accept()) {
        data.close();
        s.progress = kFtpTransferFailed;
        return false;
    }
    s.progress = 0;
    s.abortRequested = false;
    std::vector<char> block(kUploadBlock);
    bool ok = true;
    for (;;) {
        const long long got = readFully(file.get(), block.data(), block.size());
        if (got < 0) ok = false;
        if (got <= 0) break;
        if (!sendAll(data.fd(), block.data(), size_t(got), Deadline(dataSendTimeout(s)))) {
            ok = false;
            break;
        }
        s.progress += got;
        if (s.abortRequested) {
            ok = false;
            break;
        }
    }
    data.close();
    // 226 tells the file arrived whole; anything else after a complete send is a failure.
    std::string reply;
    const bool stored = s.reader.expectReply("226;250", &reply);
    ok = ok && stored;
    s.progress = ok ? kFtpTransferDone : kFtpTransferFailed;
    return ok;
}

bool FtpSession::startDownload(std::string remoteName, FileInFolder local) {
    State& s = *state_;
    s.joinWorker();
    s.abortRequested = false;
    s.progress = kFtpTransferStarting;
    s.running = true;
    try {
        s.worker = std::thread([&s, remoteName = std::move(remoteName), local = std::move(local)] {
            s.finishTransfer(runDownload(s, remoteName, local));
        });
    } catch (const std::system_error&) {
        s.running = false;
        s.progress = kFtpTransferFailed;
        return false;
    }
    return true;
}

int64_t FtpSession::progress() const { return state_->progress.load(); }

bool FtpSession::waitForTransfer(int ms) {
    State& s = *state_;
    std::unique_lock lock(s.endMutex);
    return s.ended.wait_for(lock, std::chrono::milliseconds(ms), [&s] { return !s.running.load(); });
}

void FtpSession::abort() {
    State& s = *state_;
    if (!s.worker.joinable()) return;
    s.abortRequested = true;
    s.joinWorker();
}

}  // namespace tesselon

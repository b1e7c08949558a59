#include "remote/ftp_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "remote/ftp_protocol_text.h"
#include "remote/ftp_session_state.h"

namespace tesselon {

namespace {

constexpr size_t kUploadBlock = 64 * 1024;

// AUTH TLS and the handshake, with the certificate checked before anything else goes
// out: None once the control connection is encrypted by a server the client trusts.
RemoteFailure secureControl(FtpSession::State& s, const FtpConnectOptions& options, RemoteConnectOutcome& outcome) {
    if (!s.command("AUTH TLS", {}, "234")) {
        outcome.replyCode = s.reader.lastCode();
        return s.reader.broken() ? RemoteFailure::CannotConnect : RemoteFailure::TlsRefused;
    }
    s.sayQuit = false;
    // Bytes that came after the 234 were sent in the clear before the handshake, where
    // anyone on the way could have put them: they must not be read as the server's.
    if (s.reader.holdsUnread()) return RemoteFailure::TlsFailed;
    const TlsHandshake shown = s.control.startTls(*s.tls, options.host, TlsSession(), s.deadline());
    if (!shown.ok) return RemoteFailure::TlsFailed;
    outcome.identity = ServerIdentity{RemoteProtocol::Ftps, options.host, options.port, shown.fingerprint,
                                      shown.problem, shown.subject};
    const auto& pins = options.pinnedCertificates;
    const bool pinned = std::find(pins.begin(), pins.end(), shown.fingerprint) != pins.end();
    if (shown.problem != CertificateProblem::None && !pinned) return RemoteFailure::CertificateRefused;
    s.certificate = shown.fingerprint;
    s.sayQuit = true;
    return RemoteFailure::None;
}

}  // namespace

FtpSession::State::State(NetStream connection, const FtpConnectOptions& options)
    : control(std::move(connection)),
      tls(options.tls ? options.tlsContext : nullptr),
      host(options.host),
      passive(options.passive),
      timeoutSeconds(options.timeoutSeconds),
      reader([this](char* buffer, size_t length, Clock::time_point replyEnds) {
          return control.receiveSome(buffer, length, Deadline(timeoutSeconds, replyEnds), &cutReplyWaits);
      }, std::chrono::seconds(options.replyDeadlineSeconds)) {
    if (std::optional<Ipv4Endpoint> p = control.peerEndpoint()) peer = *p;
    if (std::optional<Ipv4Endpoint> l = control.localEndpoint()) local = *l;
}

FtpSession::State::~State() {
    abortRequested = true;
    cutReplyWaits = true;
    stopWorker();
    if (control.valid() && sayQuit) {
        // QUIT is polite; its reply is not worth waiting for.
        if (std::optional<std::string> quit = commandLine("QUIT")) {
            control.sendAll(quit->data(), quit->size(), Deadline(1));
        }
    }
    control.close(sayQuit);
}

bool FtpSession::State::sendCommand(std::string_view command, std::string_view argument) {
    // Whatever comes after a prepared PASV may end the server's listener.
    preparedPort.reset();
    const std::optional<std::string> line = commandLine(command, argument);
    return line && inStep() && control.sendAll(line->data(), line->size(), deadline());
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

void FtpSession::State::finishTransfer(FtpTransferFailure result) {
    {
        std::lock_guard lock(endMutex);
        failure = result;
        progress = result == FtpTransferFailure::None ? kFtpTransferDone : kFtpTransferFailed;
        running = false;
    }
    ended.notify_all();
}

void FtpSession::State::settleCutTransfer() {
    // A reader that gives up marks itself broken, and the session with it.
    reader.drainReply();
}

void FtpSession::State::waitForWorker() {
    std::unique_lock lock(endMutex);
    ended.wait(lock, [this] { return workerIdle; });
}

bool FtpSession::State::submit(DownloadJob next) {
    std::unique_lock lock(endMutex);
    if (!worker.joinable()) {
        try {
            worker = std::thread([this] { serveDownloads(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    job = std::move(next);
    workerIdle = false;
    lock.unlock();
    wake.notify_one();
    return true;
}

void FtpSession::State::serveDownloads() {
    std::unique_lock lock(endMutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || job; });
        if (stopping) return;
        const DownloadJob next = std::move(*job);
        job.reset();
        lock.unlock();
        // An exception on a worker thread would end the program: the transfer fails instead.
        FtpTransferFailure result = FtpTransferFailure::LocalFile;
        try {
            result = runDownload(*this, next.remoteName, next.local, next.listedSize, next.sizeBound);
        } catch (...) {
        }
        const bool prepare = result == FtpTransferFailure::None && prepareAfterDownloads && passive && !abortRequested;
        finishTransfer(result);
        if (prepare) {
            try {
                prepareDataConnection();
            } catch (...) {
                outOfStep = true;
            }
        }
        lock.lock();
        if (!job) workerIdle = true;
        ended.notify_all();
    }
}

void FtpSession::State::stopWorker() {
    {
        std::lock_guard lock(endMutex);
        stopping = true;
    }
    wake.notify_all();
    if (worker.joinable()) worker.join();
}

void FtpSession::State::prepareDataConnection() {
    std::string reply;
    if (!command("PASV", {}, "227", &reply)) return;
    if (const std::optional<PassiveReply> passive = parsePassiveReply(reply)) {
        preparedPort = passive->port;
        preparedAt = Clock::now();
    }
}

std::optional<uint16_t> FtpSession::State::takePreparedPort() {
    // A server drops a listener nobody connects to after a while (pyftpdlib after 30 s,
    // others sooner): an old one is not worth a failed connect.
    constexpr auto kFresh = std::chrono::seconds(5);
    std::optional<uint16_t> port;
    port.swap(preparedPort);
    if (port && Clock::now() - preparedAt > kFresh) port.reset();
    return port;
}

FtpConnectResult FtpSession::connect(const FtpConnectOptions& options) {
    FtpConnectResult result;
    RemoteConnectOutcome& outcome = result.outcome;
    outcome.protocol = options.tls ? RemoteProtocol::Ftps : RemoteProtocol::Ftp;
    outcome.server = options.host;
    outcome.port = options.port;
    outcome.user = options.user;
    const std::optional<uint32_t> address = resolveIpv4(options.host);
    if (!address || options.port <= 0 || options.port > 65535) {
        outcome.failure = address ? RemoteFailure::CannotConnect : RemoteFailure::HostNotFound;
        return result;
    }
    if (options.tls && !options.tlsContext) {
        outcome.failure = RemoteFailure::TlsFailed;
        return result;
    }
    NetStream stream(connectTcp(Ipv4Endpoint{*address, uint16_t(options.port)}, options.timeoutSeconds));
    if (!stream.valid()) {
        outcome.failure = RemoteFailure::CannotConnect;
        return result;
    }
    auto state = std::make_unique<State>(std::move(stream), options);
    if (!state->reader.drainReply()) {
        outcome.failure = RemoteFailure::CannotConnect;
        return result;
    }
    if (options.tls) {
        outcome.failure = secureControl(*state, options, outcome);
        if (!outcome.ok()) return result;
    }
    // A server that lets the user in without a password (230 to USER) is refused too.
    if (!state->command("USER ", options.user, "331") || !state->command("PASS ", options.password, "230")) {
        // No answer at all is a connection that broke, not a refusal.
        outcome.failure = state->reader.broken() ? RemoteFailure::CannotConnect : RemoteFailure::LoginRefused;
        outcome.replyCode = state->reader.lastCode();
        return result;  // the state's destructor sends QUIT
    }
    // Data connections are encrypted too; a server that will not is refused, as one
    // that refused AUTH TLS.
    if (options.tls && (!state->command("PBSZ 0", {}, "200") || !state->command("PROT P", {}, "200"))) {
        outcome.failure = state->reader.broken() ? RemoteFailure::CannotConnect : RemoteFailure::TlsRefused;
        outcome.replyCode = state->reader.lastCode();
        return result;
    }
    result.session.emplace(FtpSession(std::move(state)));
    return result;
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
    s.waitForWorker();
    if (!s.inStep()) return false;
    if (s.progress.load() >= 0) return true;
    return s.command("PWD", {}, "257");
}

FtpSession::State& FtpSession::idle_() {
    state_->waitForWorker();
    return *state_;
}

bool FtpSession::changeDir(std::string_view directory) {
    if (directory == "..") return idle_().command("CDUP", {}, "250");
    return idle_().command("CWD ", directory, "250");
}

bool FtpSession::makeDir(std::string_view directory) { return idle_().command("MKD ", directory, "257"); }

std::string FtpSession::currentDir() {
    std::string reply;
    if (!idle_().command("PWD", {}, "257", &reply)) return {};
    return parseCurrentDirReply(reply);
}

FtpListOutcome FtpSession::list(const FtpListBounds& bounds) {
    State& s = idle_();
    s.listing.clear();
    const size_t maxLines = std::min(bounds.maxLines, kMaxListingLines);
    const Clock::time_point latest = bounds.deadline.value_or(Clock::time_point::max());
    FtpDataConnection data(s);
    if (!s.setType("A") || !data.open() || !s.command("LIST", {}, "125;150")) return FtpListOutcome::NotStarted;
    if (!data.accept()) {
        data.close();
        s.reader.drainReply();
        return FtpListOutcome::NotStarted;
    }
    ListingWindow window(s.listing, maxLines, bounds.maxNameBytes);
    ReceivePace pace(s.timeoutSeconds);
    std::optional<FtpListOutcome> end;
    const auto pastDeadline = [&] {
        // Whatever the server still sends or says of this listing is not waited for.
        data.close();
        s.outOfStep = true;
        return FtpListOutcome::PastDeadline;
    };
    while (!end) {
        if (Clock::now() >= latest) return pastDeadline();
        // The pace's window, or the caller's deadline when that comes first.
        const Deadline wait(pace.deadline().remainingMs() / 1000 + 1, latest);
        const bool paced = pace.deadline().remainingMs() <= wait.remainingMs();
        const long got = data.stream().receiveSome(window.space(), window.room(), paced ? pace.deadline() : wait);
        if (got < 0 && !paced) return pastDeadline();
        if (got < 0) break;
        pace.received(size_t(got));
        end = window.take(size_t(got));
    }
    data.close();
    if (!end) {
        // A listing that stalled gets no final reply worth waiting another timeout for.
        s.outOfStep = true;
        return FtpListOutcome::Cut;
    }
    if (*end != FtpListOutcome::Complete) {
        s.settleCutTransfer();
        return *end;
    }
    // Only the server's 226 says the end of the data was the end of the listing.
    return s.reader.expectReply("226;250") ? FtpListOutcome::Complete : FtpListOutcome::Cut;
}

bool FtpSession::upload(const std::string& localPath, std::string_view remoteName) {
    FileDescriptor file(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return false;
    return upload(std::move(file), remoteName);
}

bool FtpSession::rename(std::string_view from, std::string_view to) {
    return idle_().command("RNFR ", from, "350") && state_->command("RNTO ", to, "250");
}

std::optional<uint64_t> FtpSession::fileSize(std::string_view name) {
    State& s = idle_();
    std::string reply;
    if (!s.setType("I") || !s.command("SIZE ", name, "213", &reply)) return std::nullopt;
    return parseSizeReply(reply);
}

FtpRenameAndSize FtpSession::renameThenSize(std::string_view from, std::string_view to) {
    State& s = idle_();
    FtpRenameAndSize result;
    if (!s.setType("I")) return result;
    const std::optional<std::string> rnfr = commandLine("RNFR ", from);
    const std::optional<std::string> rnto = commandLine("RNTO ", to);
    const std::optional<std::string> size = commandLine("SIZE ", to);
    if (!rnfr || !rnto || !size || !s.inStep()) return result;
    s.preparedPort.reset();  // as sendCommand does: the three bypass it
    // The three go out together and their replies are read in order: a server answers
    // each command in turn, and an RNTO after a refused RNFR only meets a refusal.
    const std::string all = *rnfr + *rnto + *size;
    if (!s.control.sendAll(all.data(), all.size(), s.deadline())) return result;
    const bool from350 = s.reader.expectReply("350");
    const bool to250 = s.reader.expectReply("250");
    std::string reply;
    const bool sized = s.reader.expectReply("213", &reply);
    result.renamed = from350 && to250;
    if (sized) result.size = parseSizeReply(reply);
    return result;
}

bool FtpSession::remove(std::string_view name) { return idle_().command("DELE ", name, "250"); }

bool FtpSession::upload(FileDescriptor file, std::string_view remoteName, const std::function<bool(uint64_t)>& sent) {
    State& s = *state_;
    if (!file.valid()) return false;
    s.waitForWorker();
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
        if (!data.stream().sendAll(block.data(), size_t(got), Deadline(dataSendTimeout(s)))) {
            ok = false;
            break;
        }
        s.progress += got;
        if (s.abortRequested || (sent && !sent(uint64_t(s.progress.load())))) {
            ok = false;
            break;
        }
    }
    // A cut upload is closed at once; a whole one is ended so that its last bytes arrive.
    if (ok) ok = data.finishSending();
    data.close();
    // 226 tells the file arrived whole; anything else after a complete send is a failure.
    std::string reply;
    const bool stored = s.reader.expectReply("226;250", &reply);
    ok = ok && stored;
    s.progress = ok ? kFtpTransferDone : kFtpTransferFailed;
    return ok;
}

bool FtpSession::startDownload(std::string remoteName, FileInFolder local, int64_t listedSize, int64_t sizeBound) {
    State& s = *state_;
    {
        // A download still running ends first; a data connection being prepared for
        // this one is not waited for: the worker takes this file up once it is ready.
        std::unique_lock lock(s.endMutex);
        s.ended.wait(lock, [&s] { return !s.running.load(); });
        s.abortRequested = false;
        s.failure = FtpTransferFailure::None;
        s.progress = kFtpTransferStarting;
        s.running = true;
    }
    if (s.submit(DownloadJob{std::move(remoteName), std::move(local), listedSize, sizeBound})) return true;
    s.finishTransfer(FtpTransferFailure::NotStarted);
    return false;
}

void FtpSession::prepareDataAfterDownloads(bool prepare) {
    State& s = idle_();
    s.prepareAfterDownloads = prepare;
}

int64_t FtpSession::progress() const { return state_->progress.load(); }

FtpTransferFailure FtpSession::transferFailure() const {
    return state_->running.load() ? FtpTransferFailure::None : state_->failure.load();
}

bool FtpSession::waitForTransfer(int ms) {
    State& s = *state_;
    std::unique_lock lock(s.endMutex);
    return s.ended.wait_for(lock, std::chrono::milliseconds(ms), [&s] { return !s.running.load(); });
}

void FtpSession::abort() {
    State& s = *state_;
    {
        std::lock_guard lock(s.endMutex);
        if (s.workerIdle) return;
    }
    s.abortRequested = true;
    s.cutReplyWaits = true;
    s.waitForWorker();
    s.cutReplyWaits = false;
    // The request was that transfer's alone: left standing, it would cut every later
    // data connection of a session kept open for more work.
    s.abortRequested = false;
}

}  // namespace tesselon

#include "sources/sftp_source.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/sftp/sftp_scan.h"
#include "runtime/text/ascii_text.h"
#include "settings/password.h"
#include "sources/extension_filter.h"
#include "sources/ftp_connection_test.h"
#include "sources/remote_fetcher.h"

namespace tesselon {

namespace {

using Kind = ScanProblem::Kind;

RemoteFailure remoteFailureOf(SftpFailure failure) {
    switch (failure) {
    case SftpFailure::None: return RemoteFailure::None;
    case SftpFailure::CannotConnect: return RemoteFailure::CannotConnect;
    case SftpFailure::HostKeyUnknown: return RemoteFailure::HostKeyUnknown;
    case SftpFailure::HostKeyChanged: return RemoteFailure::HostKeyChanged;
    case SftpFailure::KnownHostsUnreadable: return RemoteFailure::KnownHostsUnreadable;
    case SftpFailure::LoginRefused: return RemoteFailure::LoginRefused;
    case SftpFailure::FolderMissing: return RemoteFailure::FolderMissing;
    case SftpFailure::ListingFailed: return RemoteFailure::ListingFailed;
    case SftpFailure::TransferFailed: return RemoteFailure::TransferRefused;
    case SftpFailure::ShorterThanListed: return RemoteFailure::ShorterThanListed;
    case SftpFailure::OverBound: return RemoteFailure::LargerThanListed;
    case SftpFailure::OverSizeBound: return RemoteFailure::OverSizeBound;
    case SftpFailure::UnsafeName: return RemoteFailure::UnsafeName;
    case SftpFailure::LocalFileFailed: return RemoteFailure::LocalFileFailed;
    case SftpFailure::TimedOut: return RemoteFailure::TimedOut;
    case SftpFailure::Cancelled: return RemoteFailure::Cancelled;
    case SftpFailure::ConnectionLost: return RemoteFailure::ConnectionLost;
    }
    return RemoteFailure::TransferBroken;
}

Kind nameProblemKind(ListedNameProblem problem) {
    switch (problem) {
    case ListedNameProblem::Absolute: return Kind::RemoteNameAbsolute;
    case ListedNameProblem::Separator: return Kind::RemoteNameSeparator;
    case ListedNameProblem::ControlCharacter: return Kind::RemoteNameControlCharacter;
    case ListedNameProblem::PathTooLong: return Kind::RemotePathTooLong;
    default: return Kind::RemoteNameClimbsOut;
    }
}

// A subfolder the walk passed by.
Kind folderProblemKind(SftpFailure failure) {
    switch (failure) {
    case SftpFailure::FolderMissing: return Kind::RemoteListingRefused;
    case SftpFailure::OverBound: return Kind::RemoteTooDeep;
    case SftpFailure::UnsafeName: return Kind::RemoteFolderUnsafe;
    case SftpFailure::TimedOut:
    case SftpFailure::ConnectionLost:
    case SftpFailure::Cancelled: return Kind::RemoteConnectionLost;
    default: return Kind::RemoteListingCut;
    }
}

// Where the walk stopped early, by the bound that stopped it.
Kind stopKind(SftpScanLimit limit) {
    switch (limit) {
    case SftpScanLimit::Entries: return Kind::RemoteEntryLimit;
    case SftpScanLimit::PathBytes: return Kind::RemotePathTextLimit;
    case SftpScanLimit::Deadline: return Kind::RemoteScanDeadline;
    case SftpScanLimit::None: break;
    }
    return Kind::RemoteConnectionLost;
}

std::string joined(const std::string& folder, const std::string& name) {
    return (folder.empty() || folder.back() != '/' ? folder + "/" : folder) + name;
}

SftpConnectOptions optionsFor(const AppState& state, const FtpConnectionData& data) {
    SftpConnectOptions options;
    options.host = std::string(trimSpaces(data.server));
    options.port = portNumber(data.port);
    options.user = data.user;
    options.password = recoverPassword(data.password);
    options.knownHosts = standardKnownHostsFiles(acceptedHostKeysFile(state));
    // A key named for the run (--host-key) is trusted for its connections only.
    if (!state.sftpTrustedHostKey.empty()) {
        options.acceptedFingerprint = state.sftpTrustedHostKey;
        options.storeAccepted = false;
    }
    return options;
}

void fillOutcome(RemoteConnectOutcome& outcome, const SftpConnectOptions& options, const SftpConnectResult& result) {
    outcome.protocol = RemoteProtocol::Sftp;
    outcome.server = options.host;
    outcome.port = options.port;
    outcome.user = options.user;
    outcome.failure = remoteFailureOf(result.failure);
    outcome.identity = ServerIdentity{RemoteProtocol::Sftp, options.host, options.port, result.fingerprint, {}, {}};
    outcome.knownHostsFile = result.knownHostsFile;
    outcome.knownHostsProblem = result.knownHostsProblem;
}

// One worker for the whole download takes the files in turn while the caller polls, and
// a poll waits for the worker rather than the clock: a thread started per file and a
// poll that slept in small steps cost more than a small file's transfer. The connection
// is made again after a failure that left it unusable.
class SftpFetcher : public RemoteFetcher {
public:
    SftpFetcher(AppState& state, SftpConnection connection)
        : state_(state), connection_(std::move(connection)), worker_([this] { work(); }) {}
    ~SftpFetcher() override {
        abort();
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        jobReady_.notify_all();
        worker_.join();
    }

    bool ready() override {
        waitIdle();
        if (connection_ && connection_->usable()) return true;
        connection_.reset();
        RemoteConnectOutcome outcome;
        connection_ = openSftpConnection(state_, storedFtpConnection(state_), outcome);
        if (!connection_) failure_ = RemoteFailure::ConnectionLost;
        return connection_.has_value();
    }

    bool start(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
               int64_t sizeBound) override {
        waitIdle();
        if (!connection_) return false;
        std::lock_guard lock(mutex_);
        failure_ = RemoteFailure::None;
        bytes_ = 0;
        cancel_ = false;
        job_ = Job{remotePath, target, listedSize > 0 ? std::optional<uint64_t>(uint64_t(listedSize)) : std::nullopt,
                   uint64_t(std::max<int64_t>(0, sizeBound))};
        busy_ = true;
        jobReady_.notify_all();
        return true;
    }

    int64_t poll(int ms) override {
        // The progress window's Cancelar reaches a transfer in hand at its next piece.
        if (state_.settings.config.Cancelado) cancel_ = true;
        std::unique_lock lock(mutex_);
        if (!jobDone_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !busy_; })) {
            return bytes_ > 0 ? bytes_.load() : kFetchRunning;
        }
        failure_ = remoteFailureOf(result_);
        return result_ == SftpFailure::None ? kFetchDone : kFetchFailed;
    }

    RemoteFailure failure() const override { return failure_; }

    void abort() override {
        cancel_ = true;
        waitIdle();
    }

private:
    struct Job {
        std::string remotePath;
        FileInFolder target;
        std::optional<uint64_t> listedSize;
        uint64_t sizeBound;
    };

    void waitIdle() {
        std::unique_lock lock(mutex_);
        jobDone_.wait(lock, [this] { return !busy_; });
    }

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            jobReady_.wait(lock, [this] { return stopping_ || job_; });
            if (stopping_) return;
            const Job job = std::move(*job_);
            job_.reset();
            lock.unlock();
            SftpDownloadOptions options;
            options.listedSize = job.listedSize;
            options.sizeBound = job.sizeBound;
            options.progress = [this](uint64_t bytes) { bytes_ = int64_t(bytes); };
            options.cancel = &cancel_;
            SftpFailure failure = SftpFailure::LocalFileFailed;
            // An exception on a worker thread would end the program: the file fails instead.
            try {
                failure = connection_->download(job.remotePath, job.target, options);
            } catch (...) {
            }
            lock.lock();
            result_ = failure;
            busy_ = false;
            jobDone_.notify_all();
        }
    }

    AppState& state_;
    std::optional<SftpConnection> connection_;  // the worker's only while a job runs
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable jobDone_;
    std::optional<Job> job_;
    bool busy_ = false;  // from start() until the worker set result_
    bool stopping_ = false;
    SftpFailure result_ = SftpFailure::None;
    std::atomic<bool> cancel_{false};
    std::atomic<int64_t> bytes_{0};
    RemoteFailure failure_ = RemoteFailure::None;
    std::thread worker_;  // last: it starts once the members it uses exist
};

}  // namespace

std::string acceptedHostKeysFile(const AppState& state) { return state.ProgramFolder + "known_hosts"; }

std::optional<SftpConnection> openSftpConnection(AppState& state, const FtpConnectionData& data,
                                                 RemoteConnectOutcome& outcome) {
    SftpConnectOptions options = optionsFor(state, data);
    SftpConnectResult result = SftpConnection::connect(options);
    fillOutcome(outcome, options, result);
    if (result.failure == SftpFailure::HostKeyUnknown && !result.fingerprint.empty()) {
        if (!state.frontend->askTrustServer(outcome.identity)) {
            outcome.declined = true;
            return std::nullopt;
        }
        // Only the key shown is taken: another one presented now is refused again.
        options.acceptedFingerprint = result.fingerprint;
        result = SftpConnection::connect(options);
        fillOutcome(outcome, options, result);
    }
    return std::move(result.connection);
}

ConnectionTestReport testSftpConnection(AppState& state, const FtpConnectionData& data) {
    ConnectionTestReport report;
    std::optional<SftpConnection> connection = openSftpConnection(state, data, report.connection);
    report.folder = std::string(trimSpaces(data.folder));
    if (connection && !report.folder.empty()) {
        const SftpListing listing = connection->list(report.folder, 1);
        report.folderValid = listing.failure == SftpFailure::None || listing.failure == SftpFailure::OverBound;
    }
    return report;
}

RemoteScanOutcome scanSftpSource(AppState& state, std::vector<SourceImageEntry>& found,
                                 const std::string& extensionList, bool recursive) {
    STRProcesosEntorno& env = state.settings.entorno;
    Frontend& ui = *state.frontend;
    ui.setStatusLine(true, "");
    RemoteScanOutcome outcome;
    std::optional<SftpConnection> connection = openSftpConnection(state, storedFtpConnection(state), outcome.connection);
    if (!connection) {
        ui.showConnectionTest(ConnectionTestReport{outcome.connection, {}, false, false}, true);
        return outcome;
    }
    std::string root = env.RutaOrigenRemoto;
    while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
    if (root.empty()) root = "/";
    outcome.folder = root;
    outcome.entryLimit = kSftpMaxListingEntries;
    outcome.depthLimit = kSftpMaxScanDepth;
    outcome.pathTextLimit = kMaxScanPathBytes;
    outcome.pathLengthLimit = kMaxListedPathBytes;
    outcome.deadlineSeconds = state.remoteScanSeconds;

    const ExtensionFilter filter(extensionList);
    SftpScanOptions options;
    options.recursive = recursive;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(state.remoteScanSeconds);
    options.accept = [&filter](std::string_view name) { return filter.accepts(name); };
    options.found = [&](const std::string& name, size_t count) {
        ++env.TotalImagesOrigen;
        RemoteProgress progress;
        progress.found = count;
        progress.name = name;
        ui.showRemoteProgress(progress);
        ui.pumpOneEvent();
    };
    const SftpScanResult scanned = scanSftpFolder(*connection, root, options);
    if (scanned.failure != SftpFailure::None) {
        outcome.failure =
            scanned.failure == SftpFailure::FolderMissing ? RemoteFailure::FolderMissing : RemoteFailure::ListingFailed;
        outcome.problems.push_back({outcome.failure == RemoteFailure::FolderMissing ? Kind::RemoteFolderNotEntered
                                                                                    : Kind::RemoteListingRefused,
                                    root});
        return outcome;
    }
    for (const SftpScanProblem& p : scanned.problems) {
        if (!p.name.empty()) {
            ++outcome.skippedNames;
            outcome.problems.push_back({nameProblemKind(p.nameProblem), joined(p.folder, p.name)});
        } else {
            outcome.problems.push_back({folderProblemKind(p.failure), p.folder});
        }
    }
    if (scanned.stopped) {
        outcome.stopped = true;
        outcome.problems.push_back({stopKind(scanned.limit), scanned.stoppedIn.empty() ? root : scanned.stoppedIn});
    }
    for (const SftpScanFile& file : scanned.files) {
        SourceImageEntry& entry = found.emplace_back();
        entry.path = file.path;
        entry.size = file.size ? int64_t(*file.size) : 0;
        if (file.modified) entry.modified = *file.modified;
        entry.notRegularFile = file.kind == SftpEntryKind::Link || file.kind == SftpEntryKind::Special;
    }
    return outcome;
}

std::unique_ptr<RemoteFetcher> openSftpFetcher(AppState& state, RemoteConnectOutcome& outcome, bool tell) {
    std::optional<SftpConnection> connection = openSftpConnection(state, storedFtpConnection(state), outcome);
    if (!connection) {
        if (tell) state.frontend->showConnectionTest(ConnectionTestReport{outcome, {}, false, false}, true);
        return nullptr;
    }
    return std::make_unique<SftpFetcher>(state, std::move(*connection));
}

}  // namespace tesselon

#include "sources/sftp_source.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/frontend.h"
#include "remote/sftp/sftp_scan.h"
#include "runtime/text/ascii_text.h"
#include "sources/extension_filter.h"
#include "sources/kept_connections.h"
#include "sources/open_remote_client.h"
#include "sources/remote_download.h"
#include "sources/remote_fetcher.h"

namespace tesselon {

namespace {

using Kind = ScanProblem::Kind;

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

// One worker for the whole download takes the files in turn while the caller polls, and
// a poll waits for the worker rather than the clock: a thread started per file and a
// poll that slept in small steps cost more than a small file's transfer. The connection
// is made again after a failure that left it unusable.
class SftpFetcher : public RemoteFetcher {
public:
    SftpFetcher(const RemoteContext& context, RemoteEndpoint endpoint, SftpClient client)
        : context_(context), endpoint_(std::move(endpoint)), client_(std::move(client)), worker_([this] { work(); }) {}
    ~SftpFetcher() override {
        abort();
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        jobReady_.notify_all();
        worker_.join();
        // A watch's next poll takes the connection again, once it still answers.
        if (context_.keepConnections && client_ && client_->usable())
            context_.sessions.spares.keep(spareKeyOf(context_, endpoint_), std::make_unique<SftpClient>(std::move(*client_)));
    }

    bool ready() override {
        waitIdle();
        if (client_ && client_->usable()) return true;
        client_.reset();
        RemoteConnectOutcome outcome;
        client_ = openSftpClient(context_, endpoint_, outcome);
        if (!client_) failure_ = RemoteFailure::ConnectionLost;
        return client_.has_value();
    }

    bool start(const std::string& remotePath, const FileInFolder& target, int64_t listedSize,
               int64_t sizeBound) override {
        waitIdle();
        if (!client_) return false;
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
        if (context_.cancel.requested()) cancel_ = true;
        std::unique_lock lock(mutex_);
        if (!jobDone_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !busy_; })) {
            return bytes_ > 0 ? bytes_.load() : kFetchRunning;
        }
        failure_ = result_;
        return result_ == RemoteFailure::None ? kFetchDone : kFetchFailed;
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
            RemoteFetchOptions options;
            options.listedSize = job.listedSize;
            options.sizeBound = job.sizeBound;
            options.progress = [this](uint64_t bytes) { bytes_ = int64_t(bytes); };
            options.cancel = &cancel_;
            RemoteFailure failure = RemoteFailure::LocalFileFailed;
            // An exception on a worker thread would end the program: the file fails instead.
            try {
                failure = client_->fetch(job.remotePath, job.target, options);
            } catch (...) {
            }
            lock.lock();
            result_ = failure;
            busy_ = false;
            jobDone_.notify_all();
        }
    }

    const RemoteContext context_;  // a copy: the fetcher may outlive its caller's
    RemoteEndpoint endpoint_;
    std::optional<SftpClient> client_;  // the worker's only while a job runs
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable jobDone_;
    std::optional<Job> job_;
    bool busy_ = false;  // from start() until the worker set result_
    bool stopping_ = false;
    RemoteFailure result_ = RemoteFailure::None;
    std::atomic<bool> cancel_{false};
    std::atomic<int64_t> bytes_{0};
    RemoteFailure failure_ = RemoteFailure::None;
    std::thread worker_;  // last: it starts once the members it uses exist
};

std::optional<SftpClient> takeSpareSftp(const RemoteContext& context, const RemoteEndpoint& endpoint) {
    const std::string key = spareKeyOf(context, endpoint);
    while (std::unique_ptr<RemoteClient> spare = context.sessions.spares.take(key, spareIdleLimit(context))) {
        auto* sftp = dynamic_cast<SftpClient*>(spare.get());
        if (sftp && sftp->usable() && sftp->connection().canonicalPath(".").failure == SftpFailure::None)
            return std::move(*sftp);
    }
    return std::nullopt;
}

}  // namespace

RemoteConnectOutcome spareOutcome(const RemoteEndpoint& endpoint) {
    RemoteConnectOutcome outcome;
    outcome.protocol = endpoint.protocol;
    outcome.server = endpoint.host;
    outcome.port = endpoint.port;
    outcome.user = endpoint.user;
    return outcome;
}

RemoteScanOutcome scanSftpSource(const RemoteContext& context, const RemoteEndpoint& endpoint, std::vector<SourceImageEntry>& found,
                                 const std::string& extensionList, bool recursive) {
    Frontend& ui = context.frontend;
    ui.setStatusLine(true, "");
    RemoteScanOutcome outcome;
    // The connections an earlier scan left are ended first, unless a watch keeps them
    // for each poll.
    std::optional<SftpClient> client;
    if (context.keepConnections) {
        context.sessions.spares.keepOnly(spareKeyOf(context, endpoint));
        client = takeSpareSftp(context, endpoint);
        if (client) outcome.connection = spareOutcome(endpoint);
    } else {
        context.sessions.spares.clear();
    }
    if (!client) client = openSftpClient(context, endpoint, outcome.connection);
    if (!client) {
        ui.showConnectionTest(ConnectionTestReport{outcome.connection, {}, false, false}, true);
        return outcome;
    }
    std::string root = endpoint.folder;
    while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
    if (root.empty()) root = "/";
    outcome.folder = root;
    outcome.entryLimit = kSftpMaxListingEntries;
    outcome.depthLimit = kSftpMaxScanDepth;
    outcome.pathTextLimit = kMaxScanPathBytes;
    outcome.pathLengthLimit = kMaxListedPathBytes;
    outcome.deadlineSeconds = context.scanSeconds;

    const ExtensionFilter filter(extensionList);
    SftpScanOptions options;
    options.recursive = recursive;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(context.scanSeconds);
    options.accept = [&filter](std::string_view name) { return filter.accepts(name); };
    const int64_t before = context.imagesFound ? *context.imagesFound : 0;
    options.found = [&](const std::string& name, size_t count) {
        if (context.imagesFound) *context.imagesFound = before + int64_t(count);
        RemoteProgress progress;
        progress.found = count;
        progress.name = name;
        ui.showRemoteProgress(progress);
    };
    // The windows stay alive while the listings run, and Cancelar is heard.
    options.stopRequested = [&context, &ui] {
        ui.pumpOneEvent();
        return context.cancel.requested();
    };
    // The further connections log in on their workers while the first lists the
    // folder; they all stay open for the download.
    std::vector<std::optional<SftpClient>> further(size_t(std::clamp(context.connections, 1, kMaxDownloadConnections)) - 1);
    std::vector<std::function<SftpConnection*()>> connections{[&client] { return &client->connection(); }};
    for (std::optional<SftpClient>& slot : further) {
        connections.push_back([&context, &endpoint, &slot]() -> SftpConnection* {
            if (context.keepConnections) slot = takeSpareSftp(context, endpoint);
            if (slot) return &slot->connection();
            RemoteConnectOutcome ignored;
            slot = openSftpClient(context, endpoint, ignored, false);
            return slot ? &slot->connection() : nullptr;
        });
    }
    const SftpScanResult scanned = scanSftpFolder(std::move(connections), root, options);
    const std::string key = spareKeyOf(context, endpoint);
    further.insert(further.begin(), std::move(client));
    for (std::optional<SftpClient>& slot : further) {
        if (slot && slot->usable()) context.sessions.spares.keep(key, std::make_unique<SftpClient>(std::move(*slot)));
    }
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
        // Cancelar is no problem of the server's: the front end tells of it.
        if (scanned.stopReason != SftpFailure::Cancelled)
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

std::unique_ptr<RemoteFetcher> openSftpFetcher(const RemoteContext& context, const RemoteEndpoint& endpoint,
                                               RemoteConnectOutcome& outcome, bool tell) {
    // A connection the scan left, once it still answers, saves logging in again.
    if (std::optional<SftpClient> spare = takeSpareSftp(context, endpoint)) {
        outcome = spareOutcome(endpoint);
        return std::make_unique<SftpFetcher>(context, endpoint, std::move(*spare));
    }
    std::optional<SftpClient> client = openSftpClient(context, endpoint, outcome);
    if (!client) {
        if (tell) context.frontend.showConnectionTest(ConnectionTestReport{outcome, {}, false, false}, true);
        return nullptr;
    }
    return std::make_unique<SftpFetcher>(context, endpoint, std::move(*client));
}

}  // namespace tesselon

#include "sources/publish/publish_results.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "core/frontend.h"
#include "runtime/fs/file_descriptor.h"
#include "sources/open_remote_client.h"

namespace tesselon {

namespace {

// The front end of the further connections: they run on workers, where nobody can be
// asked; a server identity that needs a question fails them, and the first one goes on.
class NoQuestions final : public Frontend {
public:
    MessageAnswer messageBox(std::string_view, std::string_view, MessageButtons, MessageIcon) override {
        return MessageAnswer::Cancel;
    }
    void setStatusLine(bool, std::string_view) override {}
    void openProgressWindow(std::string_view, int) override {}
    void setProgressText(std::string_view) override {}
    void setProgressPosition(int) override {}
    void closeProgressWindow() override {}
    void waitPumpingEvents(double) override {}
    void pumpOneEvent() override {}
    void setMainWindowEnabled(bool) override {}
    void bringMainWindowToFront() override {}
    void showRemoteProgress(const RemoteProgress&) override {}
    void showConnectionTest(const ConnectionTestReport&, bool) override {}
    bool askTrustServer(const ServerIdentity&) override { return false; }
    RetryAnswer askRetryRemoteFile(const FailedRemoteFile&) override { return RetryAnswer::Skip; }
    void showRemoteScanEnd(const RemoteScanOutcome&) override {}
};

std::optional<uint64_t> localSize(const FileInFolder& file) {
    if (!file.folder.valid()) return std::nullopt;
    struct stat info {};
    if (::fstatat(file.folder.fd(), file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return uint64_t(info.st_size);
}

bool refusedBeforeSending(PublishFailure failure) {
    return failure == PublishFailure::UnsafeName || failure == PublishFailure::OverDownloadedSource ||
           failure == PublishFailure::LocalFileFailed;
}

std::string folderOf(const std::string& remotePath) {
    const size_t slash = remotePath.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : remotePath.substr(0, slash);
}

// What the whole publishing shares between its connections.
class Publishing {
public:
    Publishing(const RemoteContext& context, const RemoteEndpoint& endpoint, const std::vector<PublishItem>& items,
               const PublishOptions& options, PublishOutcome& outcome)
        : context_(context), endpoint_(endpoint), items_(items), options_(options), outcome_(outcome) {
        outcome_.items.resize(items.size());
        progress_.total = items.size();
        for (const PublishItem& item : items) progress_.totalBytes += localSize(item.local).value_or(0);
    }

    void run(std::unique_ptr<RemoteClient> first) {
        makeFolders(*first);
        const size_t wanted = std::clamp<size_t>(size_t(std::clamp(options_.connections, 1, kMaxPublishConnections)), 1,
                                                 std::max<size_t>(items_.size(), 1));
        outcome_.connections = 1;
        std::vector<std::thread> workers;
        running_ = wanted;
        try {
            workers.emplace_back([this, client = std::shared_ptr<RemoteClient>(std::move(first))]() mutable {
                work(std::move(client));
            });
            for (size_t i = 1; i < wanted; ++i) workers.emplace_back([this] { work(nullptr); });
        } catch (const std::system_error&) {
            running_ -= wanted - workers.size();
        }
        supervise();
        for (std::thread& worker : workers) worker.join();
        finishUnbegun();
    }

private:
    struct Question {
        FailedPublish failed;
        std::optional<RetryAnswer> answer;
    };

    bool stopping() const { return stopped_.load() || context_.cancel.requested(); }

    // The folders of every result, each made once, top down, on the first connection. A
    // folder that exists already answers like one refused; only an upload into it tells.
    void makeFolders(RemoteClient& client) {
        std::set<std::string> wanted;
        for (const PublishItem& item : items_) {
            if (item.name != PublishNameProblem::None) continue;
            for (std::string& folder : foldersDownTo(folderOf(item.remotePath))) wanted.insert(std::move(folder));
        }
        // Sorted, a folder comes before everything beneath it.
        for (const std::string& folder : wanted) {
            if (stopping() || !client.usable()) break;
            const RemoteFailure made = client.makeFolder(folder);
            if (made != RemoteFailure::None) notMade_[folder] = made;
        }
    }

    // The deepest folder of `remotePath`'s way that could not be made, if any.
    std::optional<std::string> unmadeFolderOf(const std::string& remotePath) const {
        std::optional<std::string> unmade;
        for (const std::string& folder : foldersDownTo(folderOf(remotePath)))
            if (notMade_.count(folder)) unmade = folder;
        return unmade;
    }

    std::unique_ptr<RemoteClient> connect() {
        NoQuestions quiet;
        const RemoteContext further{quiet, context_.sessions, context_.trust, context_.cancel, unkept_,
                                    context_.scanSeconds, nullptr};
        RemoteConnectOutcome connected;
        return openRemoteClient(further, endpoint_, connected);
    }

    std::optional<size_t> takeNext() {
        std::lock_guard lock(mutex_);
        if (stopping() || next_ >= items_.size()) return std::nullopt;
        const size_t index = next_++;
        progress_.name = items_[index].remotePath;
        return index;
    }

    void work(std::shared_ptr<RemoteClient> client) {
        std::vector<std::string> leftovers;  // temporaries a broken connection could not remove
        // FTP's usable() asks the server: only a connection a failure may have broken is asked.
        bool suspect = false;
        for (;;) {
            const std::optional<size_t> index = takeNext();
            if (!index) break;
            PublishItemOutcome& result = outcome_.items[*index];
            for (int attempt = 1;; ++attempt) {
                if (!client || (suspect && !client->usable())) {
                    client.reset();
                    if (!stopping()) client = connect();
                    if (client) {
                        std::lock_guard lock(mutex_);
                        outcome_.connections = std::max(outcome_.connections, ++open_);
                    }
                    if (client) removeLeftovers(*client, leftovers);
                }
                if (!client) {
                    result = PublishItemOutcome{};
                    result.failure = stopping() ? PublishFailure::Cancelled : PublishFailure::NoConnection;
                } else {
                    result = publishOne(*client, items_[*index]);
                    suspect = !result.published() && !refusedBeforeSending(result.failure);
                    if (result.temporaryLeft && !client->usable()) leftovers.push_back(result.temporary);
                }
                if (result.published() || result.failure == PublishFailure::Cancelled ||
                    refusedBeforeSending(result.failure) || !options_.askRetry || stopping())
                    break;
                const RetryAnswer answer = ask(FailedPublish{*index, items_[*index].remotePath, result, attempt});
                if (answer == RetryAnswer::Retry) continue;
                if (answer == RetryAnswer::Cancel) stopped_ = true;
                break;
            }
            std::lock_guard lock(mutex_);
            ++progress_.done;
            if (result.published()) ++outcome_.published;
            if (!client) break;  // no connection to be had: the other workers go on
        }
        if (client && !leftovers.empty()) removeLeftovers(*client, leftovers);
        {
            std::lock_guard lock(mutex_);
            --running_;
        }
        changed_.notify_all();
    }

    void removeLeftovers(RemoteClient& client, std::vector<std::string>& leftovers) {
        std::vector<std::string> kept;
        for (const std::string& temporary : leftovers)
            if (client.remove(temporary) != RemoteFailure::None && client.usable()) kept.push_back(temporary);
        leftovers.swap(kept);
    }

    // The temporary is removed after any failure once it may have been made.
    void dropTemporary(RemoteClient& client, PublishItemOutcome& result) {
        if (client.usable() && client.remove(result.temporary) == RemoteFailure::None) return;
        // A temporary the server says is not there was never made: nothing is left.
        result.temporaryLeft = !client.usable() || client.fileSize(result.temporary).failure == RemoteFailure::None;
    }

    PublishItemOutcome publishOne(RemoteClient& client, const PublishItem& item) {
        PublishItemOutcome result;
        result.name = item.name;
        if (item.name != PublishNameProblem::None || item.remotePath.empty()) {
            result.failure = PublishFailure::UnsafeName;
            return result;
        }
        if (item.overDownloadedSource && !item.overwriteAllowed) {
            result.failure = PublishFailure::OverDownloadedSource;
            return result;
        }
        const std::optional<uint64_t> size = localSize(item.local);
        if (!size) {
            result.failure = PublishFailure::LocalFileFailed;
            return result;
        }
        result.bytes = *size;
        result.temporary = publishTemporaryFor(item.remotePath);
        RemoteStoreOptions how;
        how.cancel = context_.cancel.flag();
        uint64_t counted = 0;
        how.progress = [this, &counted](uint64_t sent) {
            std::lock_guard lock(mutex_);
            progress_.bytes += sent - counted;
            counted = sent;
        };
        const RemoteFailure stored = client.store(item.local, result.temporary, how);
        if (stored != RemoteFailure::None) {
            result.remote = stored;
            if (stored == RemoteFailure::LocalFileFailed) result.failure = PublishFailure::LocalFileFailed;
            else if (stored == RemoteFailure::Cancelled) result.failure = PublishFailure::Cancelled;
            else if (const std::optional<std::string> unmade = unmadeFolderOf(item.remotePath)) {
                result.failure = PublishFailure::FolderRefused;
                result.folder = *unmade;
                result.remote = notMade_.at(*unmade);
            } else {
                result.failure = PublishFailure::UploadFailed;
            }
            if (result.failure != PublishFailure::FolderRefused) dropTemporary(client, result);
            return result;
        }
        RemoteFileSize there;
        const RemoteFailure renamed = client.renameThenSize(result.temporary, item.remotePath, true, there);
        if (renamed != RemoteFailure::None) {
            result.failure = PublishFailure::RenameFailed;
            result.remote = renamed;
            dropTemporary(client, result);
            return result;
        }
        if (there.failure != RemoteFailure::None) {
            result.failure = there.failure == RemoteFailure::TransferRefused ? PublishFailure::RenameMisplaced
                                                                             : PublishFailure::UploadFailed;
            result.remote = there.failure;
            // Where the rename put it is not known; the temporary name is the one place to look.
            if (client.usable()) client.remove(result.temporary);
            return result;
        }
        if (there.bytes != *size) {
            result.failure = PublishFailure::SizeDisagrees;
            result.serverBytes = there.bytes;
        }
        return result;
    }

    RetryAnswer ask(FailedPublish failed) {
        std::unique_lock lock(mutex_);
        auto question = std::make_shared<Question>(Question{std::move(failed), std::nullopt});
        questions_.push_back(question);
        changed_.notify_all();
        changed_.wait(lock, [&] { return question->answer.has_value(); });
        return *question->answer;
    }

    // The calling thread: progress, questions, and the end of every worker.
    void supervise() {
        for (;;) {
            std::shared_ptr<Question> question;
            PublishProgress shown;
            {
                std::unique_lock lock(mutex_);
                changed_.wait_for(lock, std::chrono::milliseconds(20),
                                  [&] { return running_ == 0 || !questions_.empty(); });
                if (running_ == 0 && questions_.empty()) break;
                if (!questions_.empty()) {
                    question = questions_.front();
                    questions_.erase(questions_.begin());
                }
                shown = progress_;
            }
            if (options_.progress) options_.progress(shown);
            context_.frontend.pumpOneEvent();
            if (!question) continue;
            const RetryAnswer answer = stopping() ? RetryAnswer::Skip : options_.askRetry(question->failed);
            {
                std::lock_guard lock(mutex_);
                question->answer = answer;
            }
            changed_.notify_all();
        }
        if (options_.progress) {
            std::lock_guard lock(mutex_);
            options_.progress(progress_);
        }
    }

    // What no worker took: stopped by the user, or left when no connection could be had.
    void finishUnbegun() {
        for (size_t i = next_; i < items_.size(); ++i) {
            outcome_.items[i] = PublishItemOutcome{};
            outcome_.items[i].failure = stopping() ? PublishFailure::Cancelled : PublishFailure::NoConnection;
        }
        outcome_.cancelled = stopping() && (next_ < items_.size() ||
                                            std::any_of(outcome_.items.begin(), outcome_.items.end(),
                                                        [](const PublishItemOutcome& o) {
                                                            return o.failure == PublishFailure::Cancelled;
                                                        }));
    }

    const RemoteContext& context_;
    const RemoteEndpoint& endpoint_;
    const std::vector<PublishItem>& items_;
    const PublishOptions& options_;
    PublishOutcome& outcome_;
    std::map<std::string, RemoteFailure> notMade_;  // written before the workers start
    FtpID unkept_ = 0;  // the further connections keep no session for the window

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<Question>> questions_;
    PublishProgress progress_;
    size_t next_ = 0;
    size_t running_ = 0;
    size_t open_ = 1;
    std::atomic<bool> stopped_{false};
};

}  // namespace

std::string publishTemporaryFor(const std::string& remotePath) {
    const size_t slash = remotePath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : remotePath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? remotePath : remotePath.substr(slash + 1);
    std::random_device random;
    const unsigned long long bits = (static_cast<unsigned long long>(random()) << 32) ^ random();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", bits);
    // The name is cut so that the temporary stays within the bounds the final name met.
    return folder + "." + name.substr(0, 200) + "." + hex + ".part";
}

PublishItem publishItemOf(std::string_view publishFolder, std::string_view scannedFolder, std::string_view sourcePath,
                          std::string_view savedPath, const std::unordered_set<std::string>& downloadedSources,
                          bool overwriteAllowed) {
    const size_t slash = savedPath.rfind('/');
    const std::string_view resultName = slash == std::string_view::npos ? savedPath : savedPath.substr(slash + 1);
    const PublishPath path = publishPathOf(publishFolder, scannedFolder, sourcePath, resultName);
    PublishItem item;
    item.local = fileAt(savedPath);
    item.remotePath = path.remotePath;
    item.name = path.problem;
    item.overDownloadedSource =
        downloadedSources.count(path.remotePath) > 0 ||
        (!path.remotePath.empty() && path.remotePath.front() != '/' && downloadedSources.count("/" + path.remotePath) > 0);
    item.overwriteAllowed = overwriteAllowed;
    return item;
}

PublishOutcome publishResults(const RemoteContext& context, const RemoteEndpoint& endpoint,
                              const std::vector<PublishItem>& items, const PublishOptions& options) {
    PublishOutcome outcome;
    if (items.empty()) return outcome;
    std::unique_ptr<RemoteClient> first = openRemoteClient(context, endpoint, outcome.connection);
    if (!first) {
        outcome.items.resize(items.size());
        for (PublishItemOutcome& item : outcome.items) item.failure = PublishFailure::NoConnection;
        return outcome;
    }
    Publishing(context, endpoint, items, options, outcome).run(std::move(first));
    return outcome;
}

}  // namespace tesselon

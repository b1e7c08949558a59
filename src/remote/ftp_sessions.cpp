#include "remote/ftp_sessions.h"

#include <vector>


namespace tesselon {

FtpID FtpSessionTable::add(FtpSession session) { return add(std::make_shared<FtpSession>(std::move(session))); }

FtpID FtpSessionTable::add(std::shared_ptr<FtpSession> shared) {
    std::lock_guard lock(mutex_);
    // Handles count up and wrap round after the largest 32-bit value, skipping any still
    // in use, so a closed session's number is not handed out again soon.
    for (;;) {
        const FtpID id = next_;
        next_ = next_ == INT32_MAX ? 1 : next_ + 1;
        if (sessions_.emplace(id, shared).second) return id;
    }
}

std::shared_ptr<FtpSession> FtpSessionTable::find(FtpID id) const {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(id);
    return it == sessions_.end() ? nullptr : it->second;
}

void FtpSessionTable::remove(FtpID id) {
    std::shared_ptr<FtpSession> ending;
    {
        std::lock_guard lock(mutex_);
        const auto it = sessions_.find(id);
        if (it == sessions_.end()) return;
        ending = std::move(it->second);
        sessions_.erase(it);
    }
    // The QUIT goes out here, outside the lock, unless another thread still uses it.
}

void FtpSessionTable::closeAll() {
    spares.clear();
    std::map<FtpID, std::shared_ptr<FtpSession>> ending;
    {
        std::lock_guard lock(mutex_);
        ending.swap(sessions_);
    }
}

std::shared_ptr<const TlsClientContext> FtpSessionTable::tlsContext(const std::string& caFile) {
    std::lock_guard lock(mutex_);
    if (!tls_ || tls_->caFile() != caFile) tls_ = TlsClientContext::make(caFile);
    return tls_;
}

size_t FtpSessionTable::size() const {
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

FtpSessionTable& sessionTableIn(std::shared_ptr<FtpSessionTable>& slot) {
    if (!slot) slot = std::make_shared<FtpSessionTable>();
    return *slot;
}

void closeSessionsIn(const std::shared_ptr<FtpSessionTable>& slot) {
    if (slot) slot->closeAll();
}

FtpID ftpConnect(FtpSessionTable& sessions, std::string_view host, std::string_view user,
                 std::string_view password, bool passive, int port) {
    FtpConnectOptions options;
    options.host = host;
    options.user = user;
    options.password = password;
    options.passive = passive;
    options.port = port;
    return ftpOpen(sessions, std::move(options)).id;
}

FtpClientResult connectFtpClient(FtpSessionTable& sessions, FtpConnectOptions options) {
    options.timeoutSeconds = sessions.timeoutSeconds;
    options.replyDeadlineSeconds = sessions.replyDeadlineSeconds;
    if (options.tls && !options.tlsContext) options.tlsContext = sessions.tlsContext(options.caFile);
    return FtpClient::connect(options);
}

FtpOpenResult ftpOpen(FtpSessionTable& sessions, FtpConnectOptions options) {
    FtpClientResult connected = connectFtpClient(sessions, std::move(options));
    FtpOpenResult result;
    result.outcome = std::move(connected.outcome);
    if (connected.client) result.id = sessions.add(connected.client->session());
    return result;
}

void ftpClose(FtpSessionTable& sessions, FtpID id) {
    if (std::shared_ptr<FtpSession> session = sessions.find(id)) session->abort();
    sessions.remove(id);
}

bool ftpIsOpen(FtpSessionTable& sessions, FtpID id) { return sessions.find(id) != nullptr; }

bool ftpCheck(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->check();
}

bool ftpChangeDir(FtpSessionTable& sessions, FtpID id, std::string_view directory) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->changeDir(directory);
}

bool ftpMakeDir(FtpSessionTable& sessions, FtpID id, std::string_view directory) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->makeDir(directory);
}

std::string ftpCurrentDir(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s ? s->currentDir() : std::string();
}

FtpListOutcome ftpList(FtpSessionTable& sessions, FtpID id, size_t maxLines) {
    return ftpList(sessions, id, FtpListBounds{maxLines, UINT64_MAX, std::nullopt});
}

FtpListOutcome ftpList(FtpSessionTable& sessions, FtpID id, const FtpListBounds& bounds) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s ? s->list(bounds) : FtpListOutcome::NotStarted;
}

bool ftpNextEntry(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->nextEntry();
}

std::string ftpEntryName(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    const FtpListEntry* entry = s ? s->entry() : nullptr;
    return entry ? entry->name : std::string();
}

int ftpEntryType(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    const FtpListEntry* entry = s ? s->entry() : nullptr;
    return entry ? entry->type : 0;
}

int64_t ftpEntrySize(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    const FtpListEntry* entry = s ? s->entry() : nullptr;
    return entry ? entry->size : 0;
}

int64_t ftpEntryModified(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    const FtpListEntry* entry = s ? s->entry() : nullptr;
    return entry ? entry->modified : kNoListedTime;
}

bool ftpUpload(FtpSessionTable& sessions, FtpID id, const std::string& localPath, std::string_view remoteName) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->upload(localPath, remoteName);
}

bool ftpDownload(FtpSessionTable& sessions, FtpID id, const std::string& remoteName, const std::string& localPath,
                 int64_t listedSize) {
    return ftpDownload(sessions, id, remoteName, fileAt(localPath), listedSize);
}

bool ftpDownload(FtpSessionTable& sessions, FtpID id, const std::string& remoteName, FileInFolder local,
                 int64_t listedSize, int64_t sizeBound) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s && s->startDownload(remoteName, std::move(local), listedSize, sizeBound);
}

int64_t ftpProgress(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s ? s->progress() : 0;
}

FtpTransferFailure ftpTransferFailure(FtpSessionTable& sessions, FtpID id) {
    std::shared_ptr<FtpSession> s = sessions.find(id);
    return s ? s->transferFailure() : FtpTransferFailure::NotStarted;
}

void ftpWaitForTransfer(FtpSessionTable& sessions, FtpID id, int ms) {
    if (std::shared_ptr<FtpSession> s = sessions.find(id)) s->waitForTransfer(ms);
}

void ftpAbort(FtpSessionTable& sessions, FtpID id) {
    if (std::shared_ptr<FtpSession> s = sessions.find(id)) s->abort();
}

}  // namespace tesselon

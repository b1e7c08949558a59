#include <system_error>
#include <thread>

#include "runtime/http/http_transfer.h"
#include "runtime/http/transfer_record.h"

namespace tesselon {

namespace {

std::shared_ptr<TransferRecord> newRecord(TransferKind kind, std::string_view url, const HttpOptions& options) {
    auto record = std::make_shared<TransferRecord>();
    record->kind = kind;
    record->url = std::string(url);
    record->options = options;
    return record;
}

// Runs the transfer here, or on a worker of its own that keeps the record alive until
// it is done, even when the caller has let go of it meanwhile.
HttpTransferPtr start(std::shared_ptr<TransferRecord> record) {
    if (record->options.flags & kHttpAsync) {
        try {
            std::thread([record] { performTransfer(*record); }).detach();
        } catch (const std::system_error&) {
            return nullptr;
        }
    } else {
        performTransfer(*record);
    }
    return std::make_unique<HttpTransfer>(std::move(record));
}

}  // namespace

HttpTransferPtr receiveHttpMemory(std::string_view url, const HttpOptions& options) {
    if (url.empty()) return nullptr;
    return start(newRecord(TransferKind::Memory, url, options));
}

HttpTransferPtr receiveHttpFile(std::string_view url, std::string_view path, const HttpOptions& options) {
    if (url.empty() || path.empty()) return nullptr;
    auto record = newRecord(TransferKind::File, url, options);
    record->targetPath = std::string(path);
    return start(std::move(record));
}

HttpTransferPtr httpRequest(HttpMethod method, std::string_view url, std::string_view body,
                            const HttpOptions& options, const std::map<std::string, std::string>& headers) {
    if (url.empty()) return nullptr;
    auto record = newRecord(TransferKind::Request, url, options);
    record->method = method;
    // Copied, so an asynchronous request does not depend on the caller's buffers.
    record->requestBody = std::string(body);
    record->requestHeaders.assign(headers.begin(), headers.end());
    return start(std::move(record));
}

std::optional<std::string> fetchHttpMemory(std::string_view url, const HttpOptions& options) {
    HttpOptions sync = options;
    sync.flags &= ~kHttpAsync;
    HttpFinished done = finishHttp(receiveHttpMemory(url, sync));
    if (!done.succeeded) return std::nullopt;
    return std::move(done.body);
}

bool fetchHttpFile(std::string_view url, std::string_view path, const HttpOptions& options) {
    HttpOptions sync = options;
    sync.flags &= ~kHttpAsync;
    return finishHttp(receiveHttpFile(url, path, sync)).succeeded;
}

}  // namespace tesselon

#include "runtime/fs/text_codec.h"
#include "runtime/http/http_transfer.h"
#include "runtime/http/transfer_record.h"

namespace tesselon {

HttpTransfer::HttpTransfer(std::shared_ptr<TransferRecord> record) : record_(std::move(record)) {}

HttpTransfer::~HttpTransfer() {
    if (!finished()) requestAbort();
}

int64_t HttpTransfer::progress() const {
    const int64_t state = record_->state.load(std::memory_order_acquire);
    if (state != kHttpRunning) return state;
    return record_->received.load(std::memory_order_relaxed);
}

void HttpTransfer::requestAbort() { record_->abortRequested.store(true, std::memory_order_relaxed); }

long HttpTransfer::statusCode() const { return finished() ? record_->status : 0; }

std::string HttpTransfer::effectiveUrl() const { return finished() ? record_->effectiveUrl : std::string(); }

int64_t awaitTransfer(HttpTransfer& transfer, const std::function<bool(int64_t received)>& between) {
    for (int64_t state = transfer.progress(); state >= kHttpRunning; state = transfer.progress()) {
        // After an abort request the worker needs one more callback to stop; until
        // then the caller keeps waiting (and pumping) as before.
        if (!between(state < 0 ? 0 : state)) transfer.requestAbort();
    }
    return transfer.progress();
}

HttpFinished finishHttp(HttpTransferPtr transfer) {
    HttpFinished done;
    if (!transfer) return done;
    if (transfer->progress() != kHttpSucceeded) return done;
    TransferRecord& r = transfer->record();
    done.succeeded = true;
    if (r.kind == TransferKind::File)
        done.bytesWritten = r.written;
    else
        done.body = std::move(r.body);
    return done;
}

std::string httpInfo(const HttpTransfer& transfer, HttpInfo what, HttpTextDecoding decoding) {
    if (!transfer.finished()) return {};
    const TransferRecord& r = transfer.record();
    auto decode = [decoding](const std::string& bytes) {
        if (decoding == HttpTextDecoding::Utf8) return bytes;
        std::string text;
        appendLatin1AsUtf8(text, bytes);
        return text;
    };
    switch (what) {
    case HttpInfo::StatusCode: return std::to_string(r.status);
    case HttpInfo::Body: return decode(r.body);
    case HttpInfo::Error: return decode(r.error);
    case HttpInfo::Headers: return decode(r.headers);
    }
    return {};
}

}  // namespace tesselon

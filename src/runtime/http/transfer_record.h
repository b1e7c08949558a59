// What a transfer's caller and its worker share. The worker writes the byte count as
// data arrives and the final state last of all; the caller reads the other fields only
// after it has seen a final state.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/fs/file_descriptor.h"
#include "runtime/http/http_transfer.h"

namespace tesselon {

constexpr int64_t kHttpRunning = -1;

enum class TransferKind { Memory, File, Request };

struct TransferRecord {
    TransferKind kind = TransferKind::Memory;
    std::string url;
    std::string targetPath;  // file downloads
    HttpOptions options;
    HttpMethod method = HttpMethod::Get;
    std::string requestBody;
    std::vector<std::pair<std::string, std::string>> requestHeaders;

    std::atomic<int64_t> received{0};
    std::atomic<int64_t> state{kHttpRunning};
    std::atomic<bool> abortRequested{false};

    // Written by the worker before the final state.
    std::string body;
    std::string headers;
    FileDescriptor file;
    int64_t written = 0;
    long status = 0;
    std::string error;
    std::string effectiveUrl;
    void* curl = nullptr;  // the worker's handle while it runs, for its callbacks

    bool isRequest() const { return kind == TransferKind::Request; }
    // The option bits that apply to this kind of transfer.
    bool has(int flag) const {
        constexpr int kRequestOnly = kHttpNoVerify | kHttpHeadersOnly | kHttpRelaxedTls | kHttpVerbose;
        if ((flag & kRequestOnly) && !isRequest()) return false;
        return (options.flags & flag) != 0;
    }
};

// Runs the transfer to its end on the calling thread and stores the final state.
void performTransfer(TransferRecord& record);

}  // namespace tesselon

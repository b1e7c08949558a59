#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/http/curl_handles.h"
#include "runtime/http/reserved_hosts.h"
#include "runtime/http/transfer_options.h"
#include "runtime/http/transfer_record.h"

namespace tesselon {

namespace {

TransferRecord& recordOf(void* user) { return *static_cast<TransferRecord*>(user); }

bool abortRequested(const TransferRecord& r) { return r.abortRequested.load(std::memory_order_relaxed); }

// Response header lines kept for a request; a real answer's are a few KiB.
constexpr size_t kMaxHeaderBytes = size_t(1) << 20;

void countReceived(TransferRecord& r, size_t bytes) {
    r.received.store(r.received.load(std::memory_order_relaxed) + int64_t(bytes), std::memory_order_relaxed);
}

// Whether `bytes` more would take the body past the transfer's bound; the bytes are
// counted as they arrive, so nothing past the bound is ever kept.
bool overBound(TransferRecord& r, size_t bytes) {
    const int64_t bound = r.options.limits.maxBodyBytes;
    if (bound < 0 || r.received.load(std::memory_order_relaxed) + int64_t(bytes) <= bound) return false;
    r.error = "The answer is longer than " + std::to_string(bound) + " bytes";
    return true;
}

// Room for the whole announced body at once, so a large download is not copied over
// and over while it grows; a body larger than announced still grows as it must.
void reserveAnnounced(TransferRecord& r) {
    curl_off_t largest = curl_off_t(1) << 30;
    if (r.options.limits.maxBodyBytes >= 0) largest = std::min<curl_off_t>(largest, r.options.limits.maxBodyBytes);
    curl_off_t announced = -1;
    if (curl_easy_getinfo(static_cast<CURL*>(r.curl), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
        announced > 0)
        r.body.reserve(size_t(std::min(announced, largest)));
}

// Answering fewer bytes than given makes libcurl stop with a write error.
size_t writeToMemory(char* data, size_t size, size_t count, void* user) {
    TransferRecord& r = recordOf(user);
    const size_t bytes = size * count;
    if (abortRequested(r) || overBound(r, bytes)) return 0;
    try {
        if (r.body.empty()) reserveAnnounced(r);
        r.body.append(data, bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    countReceived(r, bytes);
    return bytes;
}

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
    TransferRecord& r = recordOf(user);
    const size_t bytes = size * count;
    if (abortRequested(r) || overBound(r, bytes) || !writeAll(r.file.get(), data, bytes)) return 0;
    r.written += int64_t(bytes);
    countReceived(r, bytes);
    return bytes;
}

size_t collectHeader(char* data, size_t size, size_t count, void* user) {
    TransferRecord& r = recordOf(user);
    const size_t bytes = size * count;
    if (r.headers.size() + bytes > kMaxHeaderBytes) {
        r.error = "The answer's header lines are too long";
        return 0;
    }
    try {
        r.headers.append(data, bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return bytes;
}

// Called often while data flows and about once a second while it does not, so an
// abort request also ends a transfer that is waiting for the host.
int checkAbort(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return abortRequested(recordOf(user)) ? 1 : 0;
}

// The target of a file download is made anew, never opened through a link someone
// left in its place: whatever stood there is removed and the file is created
// exclusively.
bool createTarget(TransferRecord& r) {
    struct stat info {};
    if (::lstat(r.targetPath.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode) || ::unlink(r.targetPath.c_str()) != 0) return false;
    }
    r.file.reset(::open(r.targetPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    return r.file.valid();
}

void finish(TransferRecord& r, bool ok) {
    if (r.kind == TransferKind::File && r.file.valid()) {
        ok = r.file.reset() && ok;
        if (!ok) ::unlink(r.targetPath.c_str());
    }
    if (!ok && r.kind == TransferKind::Memory) std::string().swap(r.body);
    const int64_t state = ok ? kHttpSucceeded : abortRequested(r) ? kHttpAborted : kHttpFailed;
    r.state.store(state, std::memory_order_release);
}

bool setWriter(CURL* curl, TransferRecord& r) {
    curl_write_callback writer = nullptr;
    switch (r.kind) {
    case TransferKind::Memory: writer = writeToMemory; break;
    case TransferKind::File: writer = writeToFile; break;
    case TransferKind::Request:
        if (r.has(kHttpHeadersOnly)) return true;
        writer = writeToMemory;
        break;
    }
    return curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writer) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r) == CURLE_OK;
}

bool setCallbacks(CURL* curl, TransferRecord& r, char* errorBuffer) {
    bool ok = setWriter(curl, r);
    if (r.isRequest()) {
        ok = ok && curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader) == CURLE_OK &&
             curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r) == CURLE_OK;
    }
    return ok && curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkAbort) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &r) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
}

void readAnswer(CURL* curl, TransferRecord& r) {
    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) r.status = status;
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        r.effectiveUrl = effective;
}

// The whole exchange; false, with r.error set, when it failed. The curl handle is
// cleaned up on return, before the transfer is marked finished, so that whoever waits
// for the mark knows the worker is out of libcurl.
bool exchange(TransferRecord& r) {
    if (urlNeverResolves(r.url)) {
        r.error = "Could not resolve host: " + urlHost(r.url);
        return false;
    }
    CurlEasy easy;
    if (!easy.valid()) {
        r.error = "libcurl could not be initialised";
        return false;
    }
    if (r.kind == TransferKind::File && !createTarget(r)) {
        r.error = "Cannot create " + r.targetPath;
        return false;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CurlHeaderList headerLines;
    const bool ready = applyCommonOptions(easy.get(), r) &&
                       (!r.isRequest() || applyRequestOptions(easy.get(), r, headerLines)) &&
                       setCallbacks(easy.get(), r, errorBuffer);
    if (!ready) {
        r.error = "libcurl refused an option";
        return false;
    }
    r.curl = easy.get();
    const CURLcode code = curl_easy_perform(easy.get());
    r.curl = nullptr;
    readAnswer(easy.get(), r);
    // A bound's own reason says more than libcurl's "write error".
    if (code != CURLE_OK && r.error.empty()) r.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    return code == CURLE_OK;
}

}  // namespace

void performTransfer(TransferRecord& r) {
    // Often on a detached worker, where an exception would end the program: the
    // transfer fails instead (no memory for its buffers, say).
    bool ok = false;
    try {
        ok = exchange(r);
    } catch (...) {
        r.curl = nullptr;
        r.error = "the transfer stopped: the system gave no more memory";
    }
    finish(r, ok);
}

}  // namespace tesselon

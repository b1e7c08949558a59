// HTTP and HTTPS transfers on libcurl: downloads to memory or to a file and requests
// with any of five methods, run on the caller's thread or on a worker thread whose
// progress the caller polls.
//
// Every transfer gives up when it cannot connect within its connect limit, or when
// fewer than one byte per second arrives over its stall limit, so a dead or trickling
// host never holds a caller for long. A body is never longer than the answer's
// Content-Length, nor than the transfer's body limit when it has one; the header lines
// kept for a request are bounded too, so an endless answer costs neither memory nor
// disk. Certificates are always verified against the
// system's store, plus the file named by $TESSELON_CA_FILE when that is set. Hosts
// under the reserved ".invalid" domain fail at once, without a name lookup.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tesselon {

enum HttpFlags : int {
    kHttpAsync = 0x01,        // run on a worker thread and return the transfer at once
    kHttpNoRedirect = 0x02,   // hand back a redirect answer instead of following it
    kHttpNoVerify = 0x04,     // requests only: accept any server certificate
    kHttpHeadersOnly = 0x08,  // requests only: no body (a HEAD-like request)
    kHttpRelaxedTls = 0x10,   // requests only: no revocation check, BEAST workaround allowed
    kHttpVerbose = 0x20,      // requests only: libcurl's own logging on stderr
};

// What httpProgress answers once a transfer is over; while it runs, the byte count.
constexpr int64_t kHttpSucceeded = -2;
constexpr int64_t kHttpFailed = -3;
constexpr int64_t kHttpAborted = -4;

inline constexpr const char* kDefaultUserAgent = "Mozilla/5.0 Gecko/41.0 Firefox/41.0";

struct HttpLimits {
    long connectSeconds = 15;  // to reach the host, TLS handshake included
    long stallSeconds = 30;    // below one byte per second for this long aborts
    // A body longer than this fails the transfer while it arrives, and at once when the
    // answer announces more; -1 for no bound.
    int64_t maxBodyBytes = -1;
};

struct HttpProxy {
    std::string url;  // none when empty
    std::string user;
    std::string password;  // user and password are sent only when both are set
};

struct HttpOptions {
    int flags = 0;
    std::string userAgent = kDefaultUserAgent;
    HttpProxy proxy;
    HttpLimits limits;
};

enum class HttpMethod { Get = 0, Post = 1, Put = 2, Patch = 3, Delete = 4 };

struct TransferRecord;

// One transfer. Destroying it while it still runs asks the worker to stop; the worker
// then finishes on its own and frees what it holds.
class HttpTransfer {
public:
    explicit HttpTransfer(std::shared_ptr<TransferRecord> record);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Bytes received so far while running; kHttpSucceeded, kHttpFailed or kHttpAborted
    // once over. Never blocks.
    int64_t progress() const;
    bool finished() const { return progress() < -1; }
    // A single store the worker sees at its next callback; the transfer then ends as
    // aborted.
    void requestAbort();

    // Valid once finished. The server's status code (0 when none answered) and the URL
    // the answer finally came from after redirects.
    long statusCode() const;
    std::string effectiveUrl() const;

    TransferRecord& record() { return *record_; }
    const TransferRecord& record() const { return *record_; }

private:
    std::shared_ptr<TransferRecord> record_;
};

using HttpTransferPtr = std::unique_ptr<HttpTransfer>;

// The three ways to start a transfer. Without kHttpAsync the call returns the transfer
// finished; with it, at once. Null when nothing was started: an empty URL or file path,
// or a worker thread that could not be created.
//
// A memory download collects the body; a file download writes it to `path` (an
// existing file there is replaced; a failed or aborted download leaves no file). A
// request sends `body` (when not empty) and `headers` (a header with an empty value is
// sent as "name;") and keeps the answer's body, headers and error text for httpInfo.
// The service counts any answer of the server as success, whatever its status.
HttpTransferPtr receiveHttpMemory(std::string_view url, const HttpOptions& options = {});
HttpTransferPtr receiveHttpFile(std::string_view url, std::string_view path, const HttpOptions& options = {});
HttpTransferPtr httpRequest(HttpMethod method, std::string_view url, std::string_view body = {},
                            const HttpOptions& options = {},
                            const std::map<std::string, std::string>& headers = {});

inline int64_t httpProgress(const HttpTransfer& transfer) { return transfer.progress(); }

// Polls a transfer until it is over and returns its final state. `between` runs after
// every poll while the transfer runs: the caller waits there (pumping its windows, for
// one) and answers false to abort the transfer.
int64_t awaitTransfer(HttpTransfer& transfer, const std::function<bool(int64_t received)>& between);

struct HttpFinished {
    bool succeeded = false;
    std::string body;          // a memory download's body
    int64_t bytesWritten = 0;  // a file download's size
};

// Hands over what a finished transfer produced and releases it. A transfer not yet
// finished is asked to stop and reported as failed.
HttpFinished finishHttp(HttpTransferPtr transfer);

enum class HttpInfo { StatusCode = 0, Body = 1, Error = 2, Headers = 3 };
enum class HttpTextDecoding { Utf8, OneBytePerCharacter };

// A finished request's status code as decimal text, its body, libcurl's error message
// or the raw header lines.
std::string httpInfo(const HttpTransfer& transfer, HttpInfo what,
                     HttpTextDecoding decoding = HttpTextDecoding::Utf8);

// Synchronous shorthands: the body, or nothing on failure; a file written or not.
std::optional<std::string> fetchHttpMemory(std::string_view url, const HttpOptions& options = {});
bool fetchHttpFile(std::string_view url, std::string_view path, const HttpOptions& options = {});

}  // namespace tesselon

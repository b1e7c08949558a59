#include "runtime/http/transfer_options.h"

#include <cstdlib>
#include <string>

namespace tesselon {

namespace {

constexpr long kLowSpeedBytesPerSecond = 1;

const char* methodName(HttpMethod method) {
    switch (method) {
    case HttpMethod::Get: return "GET";
    case HttpMethod::Post: return "POST";
    case HttpMethod::Put: return "PUT";
    case HttpMethod::Patch: return "PATCH";
    case HttpMethod::Delete: return "DELETE";
    }
    return "GET";
}

// Chains setopt calls and remembers whether any of them was refused.
class Setter {
public:
    explicit Setter(CURL* curl) : curl_(curl) {}
    template <class T>
    Setter& set(CURLoption option, T value) {
        ok_ = ok_ && curl_easy_setopt(curl_, option, value) == CURLE_OK;
        return *this;
    }
    bool ok() const { return ok_; }

private:
    CURL* curl_;
    bool ok_ = true;
};

}  // namespace

bool applyCommonOptions(CURL* curl, const TransferRecord& record) {
    Setter s(curl);
    const HttpOptions& o = record.options;
    if (!record.has(kHttpNoRedirect)) s.set(CURLOPT_FOLLOWLOCATION, 1L);
    if (!o.proxy.url.empty()) {
        s.set(CURLOPT_PROXY, o.proxy.url.c_str());
        if (!o.proxy.user.empty() && !o.proxy.password.empty()) {
            s.set(CURLOPT_PROXYUSERNAME, o.proxy.user.c_str());
            s.set(CURLOPT_PROXYPASSWORD, o.proxy.password.c_str());
        }
    }
    s.set(CURLOPT_URL, record.url.c_str()).set(CURLOPT_USERAGENT, o.userAgent.c_str());
    s.set(CURLOPT_NOSIGNAL, 1L);
    // A server may only send us on to HTTP or HTTPS, never to a file or another scheme.
    s.set(CURLOPT_PROTOCOLS_STR, "http,https").set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    s.set(CURLOPT_CONNECTTIMEOUT, o.limits.connectSeconds);
    s.set(CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond).set(CURLOPT_LOW_SPEED_TIME, o.limits.stallSeconds);
    // An answer announcing more than the bound fails before its body is read (libcurl
    // takes 0 for no bound; the write callbacks hold that one).
    if (o.limits.maxBodyBytes > 0) s.set(CURLOPT_MAXFILESIZE_LARGE, curl_off_t(o.limits.maxBodyBytes));
    // One more trusted root for a private host; the system's roots stay trusted.
    if (const char* caFile = std::getenv("TESSELON_CA_FILE"); caFile && *caFile) s.set(CURLOPT_CAINFO, caFile);
    return s.ok();
}

bool applyRequestOptions(CURL* curl, const TransferRecord& record, CurlHeaderList& headerLines) {
    Setter s(curl);
    if (record.method == HttpMethod::Post) s.set(CURLOPT_POST, 1L);
    if (!record.requestBody.empty()) {
        s.set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(record.requestBody.size()));
        s.set(CURLOPT_POSTFIELDS, record.requestBody.c_str());
    }
    for (const auto& [name, value] : record.requestHeaders) {
        // libcurl sends "name;" as the header with an empty value.
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        if (!headerLines.append(line.c_str())) return false;
    }
    if (headerLines.get()) s.set(CURLOPT_HTTPHEADER, headerLines.get());
    if (record.has(kHttpNoVerify)) s.set(CURLOPT_SSL_VERIFYPEER, 0L).set(CURLOPT_SSL_VERIFYHOST, 0L);
    if (record.has(kHttpRelaxedTls)) s.set(CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NO_REVOKE | CURLSSLOPT_ALLOW_BEAST));
    if (record.has(kHttpHeadersOnly))
        s.set(CURLOPT_NOBODY, 1L);
    else
        s.set(CURLOPT_CUSTOMREQUEST, methodName(record.method));
    if (record.has(kHttpVerbose)) s.set(CURLOPT_VERBOSE, 1L);
    return s.ok();
}

}  // namespace tesselon

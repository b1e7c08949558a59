#include "runtime/http/reserved_hosts.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>

#include "runtime/http/curl_handles.h"

namespace tesselon {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct PartDeleter {
    void operator()(char* part) const { curl_free(part); }
};

}  // namespace

std::string urlHost(std::string_view url) {
    ensureCurlReady();
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK) return {};
    char* raw = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &raw, 0) != CURLUE_OK) return {};
    std::unique_ptr<char, PartDeleter> host(raw);
    std::string text(host.get());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool urlNeverResolves(std::string_view url) {
    std::string host = urlHost(url);
    if (!host.empty() && host.back() == '.') host.pop_back();
    constexpr std::string_view kReserved = ".invalid";
    return host == kReserved.substr(1) || host.ends_with(kReserved);
}

}  // namespace tesselon

#include "update/download_tools/content_length_probe.h"

#include "update/download_tools/tool_output.h"

namespace tesselon {

int64_t contentLengthProbe(std::string_view url, const HttpLimits& limits,
                           const std::function<bool(int64_t)>& between) {
    if (url.empty()) return -1;
    HttpOptions options;
    // The headers are all it needs; fetching the body too would download the file twice.
    options.flags = kHttpHeadersOnly | (between ? kHttpAsync : 0);
    options.limits = limits;
    HttpTransferPtr request = httpRequest(HttpMethod::Get, url, {}, options);
    if (!request) return -1;
    if (between) awaitTransfer(*request, between);
    if (request->progress() != kHttpSucceeded) return -1;
    return contentLengthOfHeaders(httpInfo(*request, HttpInfo::Headers));
}

}  // namespace tesselon

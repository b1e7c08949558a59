#include "runtime/http/curl_handles.h"

#include <mutex>

namespace tesselon {

void ensureCurlReady() {
    // Never cleaned up: a worker of a transfer nobody waits for may still use it while
    // the process ends.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlEasy::CurlEasy() {
    ensureCurlReady();
    handle_ = curl_easy_init();
}

CurlEasy::~CurlEasy() {
    if (handle_) curl_easy_cleanup(handle_);
}

CurlHeaderList::~CurlHeaderList() {
    if (list_) curl_slist_free_all(list_);
}

bool CurlHeaderList::append(const char* line) {
    curl_slist* grown = curl_slist_append(list_, line);
    if (!grown) return false;
    list_ = grown;
    return true;
}

}  // namespace tesselon

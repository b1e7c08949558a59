// libcurl's easy handle and header list, each owned by one object, and the library's
// one-time set-up.
#pragma once

#include <curl/curl.h>

namespace tesselon {

// Sets up libcurl once per process, whichever thread comes first.
void ensureCurlReady();

class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    bool valid() const { return handle_ != nullptr; }
    CURL* get() const { return handle_; }

private:
    CURL* handle_ = nullptr;
};

class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList();
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    // False when the line could not be stored.
    bool append(const char* line);
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

}  // namespace tesselon

// The libcurl settings of a transfer.
#pragma once

#include <curl/curl.h>

#include "runtime/http/curl_handles.h"
#include "runtime/http/transfer_record.h"

namespace tesselon {

// Settings every transfer shares: redirects, proxy, URL, user agent, the connect and
// stall limits, certificate verification and the protocols allowed (HTTP and HTTPS,
// redirects included). False when libcurl refused one.
bool applyCommonOptions(CURL* curl, const TransferRecord& record);

// A request's method, body, header lines and flags. The header list must outlive the
// transfer.
bool applyRequestOptions(CURL* curl, const TransferRecord& record, CurlHeaderList& headerLines);

}  // namespace tesselon
